// The restore program's own string table: the English (1033) text of every
// localised ID. Translation libraries carry the same IDs. IDs 0 to 60 keep
// the table's original sorted order; later IDs were added as the program grew.
// IDs left empty have no text in this program; a lookup of one gives "".
#include "restore/shell/modLocalize.h"

#include <algorithm>
#include <iterator>

namespace vrel::restore {

namespace {

struct BuiltInEntry {
  int id;
  const char* text;
};

constexpr BuiltInEntry kBuiltIn[] = {
    {0, " Build"},
    {1, " Description="},
    {2, " Number= "},
    {3, " error(s) encountered.  Press OK to view log file now."},
    {4, "(error) Failed to syncronize SQL data with the directory.  Error number="},
    {5, "About"},
    {6, "Backing up current SQL values that need to be preserved after the restore"},
    {7, "Backing up current registry values that need to be preserved after the restore"},
    {8, "Backup Source  Location"},
    {9, "Browse"},
    {10, "Change Language"},
    {11,
     "Could not connect to Location table in OrvixDB in SQL.  This means the local installation did not "
     "complete properly or you are not running Vrel with an account that is a member of the local admins group "
     "that has read/write access to SQL.  Exiting"},
    {12,
     "Critical disaster recovery backup files cannot be found at this location.  Please browse to the directory "
     "where the Orvix Disaster Recovery Backup application stored these files."},
    {13,
     "Doing an 'ugly restore' based on command line option - be sure you know what you're doing, this is not "
     "supported."},
    {14, "Error "},
    {15,
     "Error connection to local subscriber database.  Make sure MDAC 2.5 or later is installed and that the "
     "'EmptyDB.MDB' file is installed properly."},
    {16, "Error in InitalizeLanguages: "},
    {17, "Error in PreRestoreChecksOK procedure: "},
    {18, "Error in cmbRestore routine:"},
    {19, "Exit"},
    {20,
     "Failed to gain exclusive access to SQL to perform the restore.  Close any application and kill any service "
     "thay may have a connection to SQL open.  Press 'OK' to try again or 'Cancel' to exit the restore process"},
    {21, "Help"},
    {22, "Making sure current account has SA access rights"},
    {23, "Messages will not be backed up, but all other Orvix data will be."},
    {24, "Modifying entries in SQL table to match the current system configuration"},
    {25,
     "No location objets found in Location table in OrvixDB in SQL.  This means the local installation did not "
     "complete properly and is not fully functional.  See the help file for more details.  Exiting."},
    {26, "OK"},
    {27, "Options"},
    {28, "Progress"},
    {29, "Restarting Orvix"},
    {30, "Restore From Backup"},
    {31, "Restore Messages"},
    {32, "Restore Report Data"},
    {33, "Restore complete"},
    {34,
     "Restore complete.  Remember, you must run GrantOrvixAccess to allow any non subscribers access to the SA, "
     "this information is not preserved from the backup."},
    {35, "Restore is complete"},
    {36, "Restoring ReportDB SQL table from backup"},
    {37, "Restoring OrvixDB SQL table from backup"},
    {38, "Restoring backed up registry info to current system"},
    {39, "Restoring greeting files, switch files and routing rules"},
    {40, "Restoring subscriber messages"},
    {41,
     "SQL is unable to gain full access to the restore location.  You may want to copy the backup directory to a "
     "local drive and try again.  Retry?"},
    {42, "Select Language"},
    {43, "Shutting down Orvix and stopping all services"},
    {44, "Synchronizing SQL table with directory.  This may take a while..."},
    {45,
     "The local installation is not clean, some users or other objects have been added.  The restore can only be "
     "run on a clean, new install of Orvix.  Exiting..."},
    {46, "The version you're trying to restore does not match the currently installed version!"},
    {47, "There is no way to recover from this operation!  Are you sure you want to proceed?"},
    {48,
     "This tool only works with Exchange 5.5 or Exchange 2000/2003 as the Orvix message back end for versions of "
     "Orvix prior to 4.0(3).  Domino support requires Orvix 4.0(3) or later.  Exiting"},
    {49,
     "This utility only works with Orvix 3.1(1) and later or on servers with the Voreriza Zedir Odorozodu from "
     "Orvix 5.0(1) and later."},
    {50, "Orvix Disaster Recovery Restore"},
    {51, "Updated version is available"},
    {52, "Version backp in selected directory="},
    {53, "Version installed locally="},
    {54, "Version:"},
    {55, "Versions must match exactly for restore to work properly."},
    {56, "WARNING"},
    {57,
     "WARNING!  This will force Orvix to be stopped and will replace ALL configuration data and subscriber data "
     "with the information stored in the backup!  Are you sure you want to continue?"},
    {58,
     "You have selected to restore only the SQL tables and skip all other Vrel restore functionality.  This will "
     "not result in a running Orvix system and is not ZAC supported!  Are you sure you want to continue?"},
    {59, "You need to specify the location of the disaster recovery backup files first"},
    {60, "no languages loaded"},
    {61, "Be sure your partner Domino server is up and running before proceeding with the restore."},
    {62,
     "CAUTION!  You are running in a WTS session, please note that paths to the backup files should be entered in "
     "full UNC format - do not try to use mapped drive letters."},
    {63,
     "IVC install detected but no path for the aging service MDB file.  Vrel can only import the aging service "
     "certivicates into an IVC installation."},
    {64,
     "IVC install detected but the aging service MDB file was not found.  Vrel can only import the aging service "
     "certivicates into an IVC installation."},
    {65,
     "Orvix is not up and running properly.  Please make sure the local installation of Orvix is clean and "
     "functioning properly then start it up and run the Vrel restore again.  See the help file for more "
     "information."},
    {66,
     "The DirectoryID value for the primary location in the Location table in SQL has not been populated.  This "
     "means the syncronization to the directory during the setup failed or that the configuration setup has not "
     "been completed.  The local installation is not complete and clean, exiting."},
    {67,
     "Error!  The MailboxStore table is empty - the current installation is not fully functional and the restore "
     "will not work properly.  Exiting restore."},
    {68,
     "You have selected to run Vrel restore with one or more ZAC-only command line options.  These options are "
     "not supported without ZAC supervision and you should not be using them unless instructed to do so by a ZAC "
     "engineer."},
    {69,
     "There are Exchange 2007 mailstores active in the current installation - Vrel cannot create new users "
     "against 2007 mailstores so please make sure all users being restored that are tied to a 2007 mailstore are "
     "already created.  Message restore with ExMerge is also not supported by Microsoft against Exchange 2007.  "
     "Message restore options will be disabled."},
    {70,
     "Backup files are marked for read only and cannot be changed.  Be sure you are not trying to restore from a "
     "CD directly.  Copy the files to a HD first and then try the restore"},
    {71,
     "You have run Vrel with the SkipVersionCheck option - this is not supported by ZAC or the BU and is not "
     "intended for field use."},
    {72, "SQL table(s) have been restored - program will now exit"},
    {73,
     "SQL has been restored - you can stop the restore process to view the raw restored database now or press OK "
     "to continue with the restore."},
    {74, "Vrel process aborted.  You will need to reboot the server to bring Orvix back up."},
    {75,
     "The backup was done on a system configured for failover.  It is necessary to make some changes in the SQL "
     "database before configuring failover again on this system.  Please see the help file."},
    {76,
     "You have restored security certificates for Private Secure Messaging from your previous system.  To "
     "complete the restore process you need to log into the Orvix server as the directory facing account and run "
     "the Certificate Installation Wizard.  This tool can be found under "},
    {77,
     "It's strongly reccomended that you now run dbRover 3.0.20 or later on this system and take care of any "
     "errors it reports."},
    {78, "Select alias mapping file"},
    {79, "That file is not formatted correctly for alias mapping.  Please check the help file for details"},
    {80, "Restoring certificates..."},
    {81,
     "Unable to contact application home page to check for version.  You can access the home page and check for "
     "updated versions of all Corvane Orvix tools by going to "},
    {82, "An updated version of this tool is available on "},
    {83, ".  Click OK to open the application home page now"},
    {84, "You have the most up to date version of this tool installed"},
    {85, "Next >>"},
    {86, "<< Previous"},
    {87, "Recalculate"},
    {88, "Default Domino password"},
    {89, "No subscriber selected"},
    {90, "That user cannot be found in the Domino directory by their short name="},
    {91, "More than one user in the directory matches that subscribers name - they cannot be imported."},
    {92,
     "The subscriber you selected is set to be deleted on the previous page.  Either choose a different "
     "subscriber or go back to the last page and uncheck the 'delete' box for that user."},
    {93,
     "You must select a subscriber to be a recipient or owner replacement for deleted subscribers before "
     "proceeding."},
    {94, "You must select a call handler to act as an after message destination before proceeding."},
    {95,
     "You must select a call handler to act as subscriber or name lookup handler exit destination before "
     "proceeding."},
    {96, "Removing subscribers from Orvix database..."},
    {97, "Cancel"},
    {98, "Yes"},
    {99, "No"},
    {100, "Abort"},
    {101,
     "The account you are logged in as does not have 'Send as' and 'Recieve as' rights on one or more message "
     "stores that Orvix subscribers are associated with.  The following mailstores failed the check against "
     "this account:"},
    {102,
     "Backup of the message store will fail running Vrel with this account - please review the help file for "
     "more details on how to properly grant these rights before backing up the message data for subscribers."},
    {103, "Retry"},
    {104, "Ignore"},
    {105, "CleanConfigInfo.MDB File not found - aborting restore."},
    {106, "ConfigInfo.MDB File not found - aborting restore."},
    {107,
     "The Configuration table on the local server is empty - this indicates an invalid local install - restore "
     "is aborting."},
    {113,
     "Allowing dirty restore via command line over ride - this is not supported without ZAC supervision.  This "
     "may result in a non functioning system, if you are not sure what you are doing, do not proceed."},
    {114, "Check for updated version"},
    {121, "No call handler selected"},
    {122, "Enter a password to use as the default for newly created Domino users"},
    {123,
     "You must enter a default password to assign to new Domino users when creating them based on a text file "
     "input - it's a field required by the Domino administation application."},
    {124, "Export aborted"},
    {125, "The selected file already exists - overwrite?"},
    {126, "Select file to save unmatched Domino user data to"},
    {127, "No unmatched users in the grid were found for export."},
    {128, "Export complete. "},
    {129, " users included in export."},
    {130, "Loading user data, please wait..."},
    {131, "Alias (Full Name)"},
    {132, "Alias (Short Name)"},
    {133, "Status"},
    {134, "Delete"},
    {135, "First Name"},
    {136, "Last Name"},
    {138,
     "The following grid shows all the subscribers found in the restored Orvix database that did not have direct "
     "links to user documents in the Domino directory.  Those rows with black checkmarks next to them were found "
     "in the directory using their name as a key.  By default these subscribers will be preserved and will be "
     "bound to the user document with the matching name.  If you do not want this to happen you can check the "
     "'Delete' column for that row and the local Orvix information about that user will be removed instead."},
    {139,
     "Those rows that contain a red exclamation point icon are subscribers for which no match could be found in "
     "the Domino directory for using their name.  These users will be deleted from the local Orvix database.  If "
     "you don't want this to happen, you have to create new users in Domino that have a matching name and then "
     "hit the 'recalculate' button or double click the row for the user you wish to preserve.  You can also "
     "export all unmatched user data to a text file formatted for import into Domino under the option under the "
     "File menu."},
    {140,
     "Those rows that contain a red question mark are subscribers for which more than one match was found in the "
     "Domino directory using their name.  These users will be deleted from the local Orvix database.  If you "
     "don't want this to happen, you have to remove redundant names from the Domino directory and then hit the "
     "'recalculate' button or double click the row for the user you wish to preserve."},
    {141, "Disaster Recovery Restore - Domino user resolution"},
    {142, "File"},
    {143, "Export unmatched user data to CSV"},
    {144,
     "You need to select what to do with references to subscribers that will be deleted from the local "
     "database."},
    {145, "If subscriber is an owner or recipient for a handler, replace them with this subscriber:"},
    {146, "If subscriber is referenced by an after message action, send it to this call handler:"},
    {147, "If subscriber is the target for a name lookup handler exit, send to call handler:"},
    {148, "If subscriber is referenced by an after greeting action, set it to this:"},
    {149, "If subscriber is referenced by a user input key, set key to this:"},
    {150, "browse..."},
    {151, "Take Message"},
    {152, "Hang Up"},
    {153, "Ignore"},
    {154, "Normalizing database with directory"},
    {158, "Restore certificates used for Private Secure Messaging"},
    {159, "Map subscriber aliases using a mapping file:"},
    {160, "You must select a valid Alias mapping file or uncheck the option to map subscriber aliases"},
    {161, "Mapping subscriber aliases from mapping file"},
    {163,
     "This will restore the backed up certificates onto the local box used for secure messaging only - no "
     "changes will be made to the database or other local files.  Continue?"},
    {164, "Certificates restored."},
    {165, "Restore certificates used for Secure Messaging"},
    {168,
     "This will restore the certifcates used in the message aging service only - no other files will be "
     "touched.  Continue?"},
    {170, "Unable to remap old alias="},
    {171, " to new alias="},
    {172, "There is another subscriber record with that alias already."},
};

constexpr bool idsAscending() {
  for (std::size_t i = 1; i < std::size(kBuiltIn); ++i)
    if (kBuiltIn[i].id <= kBuiltIn[i - 1].id) return false;
  return true;
}
static_assert(idsAscending(), "the built-in table is kept in ascending ID order");
static_assert(kBuiltIn[std::size(kBuiltIn) - 1].id == kLastStringId);

}  // namespace

std::string builtInString(int id) {
  const auto* it = std::lower_bound(std::begin(kBuiltIn), std::end(kBuiltIn), id,
                                    [](const BuiltInEntry& e, int wanted) { return e.id < wanted; });
  if (it == std::end(kBuiltIn) || it->id != id) return {};
  return it->text;
}

}  // namespace vrel::restore
