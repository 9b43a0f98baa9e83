// The headless transcript on standard output, kept to itself. The programs
// a run starts (net, kill, regedit, ...) inherit the process's standard
// output, where on Windows each would have a console of its own; while a
// Transcript lives they write to standard error instead, and the transcript
// goes to the original standard output.
#pragma once

#include <ostream>
#include <streambuf>

namespace vrel::restore {

class Transcript {
 public:
  Transcript();
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  std::ostream& stream() { return m_stream; }

 private:
  // Unbuffered writes to one file descriptor.
  class FdBuffer : public std::streambuf {
   public:
    int fd = -1;

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
  };

  FdBuffer m_buffer;
  std::ostream m_stream;
  int m_savedOut = -1;
};

}  // namespace vrel::restore
