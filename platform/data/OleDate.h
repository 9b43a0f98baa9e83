// Dates as VB and ADO hold them: a double counting days since 30 Dec 1899,
// the time of day in the fraction. Text forms: VB's US default
// ("7/22/1997 1:05:00 PM"), the criteria form ("7/22/97", "#7/22/97 13:05#")
// and the stored form of the database files ("1997-07-22 13:05:00").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vrel::data {

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

double oleFromParts(const DateParts& p);
DateParts partsFromOle(double ole);

// VB's CStr of a date: date alone at midnight, time alone on day zero.
std::string vbDateText(double ole);
// "YYYY-MM-DD HH:MM:SS", with ".mmm" when there are milliseconds.
std::string isoDateText(double ole);

// Reads "YYYY-MM-DD[ HH:MM[:SS[.fff]]]" (also with 'T').
std::optional<double> parseIsoDate(std::string_view text);
// Reads a US date and/or time as VB and ADO criteria write it: "M/D/YY",
// "M/D/YYYY", "h:mm[:ss] [AM|PM]", both joined by a blank; ISO dates too.
// Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999. Milliseconds are
// refused, as ADO criteria refuse them.
std::optional<double> parseUsDate(std::string_view text);

}  // namespace vrel::data
