// Choosing the backup folder: backups of another server written by the
// backup tool, and the folders that must be refused; the message option and
// the alias mapping file controls.
#include "restore/aliases/AliasMapFile.h"
#include "restore/tests/StartupFixture.h"

namespace vrel::test {
namespace {

using namespace startup;

using restore::ProgramEnd;
using standin::MailStoreKind;
using Strings = std::vector<std::string>;

constexpr const char* kCritical =
    "Critical disaster recovery backup files cannot be found at this location.  Please browse to the directory where "
    "the Orvix Disaster Recovery Backup application stored these files.";
constexpr const char* kReadOnly =
    "Backup files are marked for read only and cannot be changed.  Be sure you are not trying to restore from a CD "
    "directly.  Copy the files to a HD first and then try the restore";
constexpr const char* kJustRestoreDB =
    "You have selected to restore only the SQL tables and skip all other Vrel restore functionality.  This will not "
    "result in a running Orvix system and is not ZAC supported!  Are you sure you want to continue?";
constexpr const char* kMustMatch = "Versions must match exactly for restore to work properly.";
constexpr const char* kBadMapFile =
    "That file is not formatted correctly for alias mapping.  Please check the help file for details";

const char* const kOptions[] = {"chkRestoreMessages", "chkRestoreCertificates", "chkRestoreReportData",
                                "chkUseAliasMappingFile"};

class BrowseTest : public StartupFixture {
 protected:
  // A running new server at the version, started without refusal.
  void ready(const std::string& version = "4.0(3.15)", const std::string& commandLine = {},
             MailStoreKind kind = MailStoreKind::Exchange2000) {
    provision(version, kind);
    ASSERT_EQ(load(commandLine), std::nullopt) << testing::PrintToString(boxTexts());
    box.ui.boxes.clear();
  }
  // A folder every option and the restore were offered for.
  void acceptFirst(ServerBackupFolder& good) {
    box.form().setValue("chkUseAliasMappingFile", 1);
    ASSERT_EQ(browse(good.folder()), std::nullopt);
    ASSERT_TRUE(offered("cmdRestore"));
    box.ui.boxes.clear();
  }
  std::string target() { return control("txtTargetPath").caption; }
};

TEST_F(BrowseTest, AcceptsTheBackupOfAServerOfTheSameVersion) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_EQ(target(), backup->folder() + "\\");
  EXPECT_TRUE(boxTexts().empty()) << testing::PrintToString(boxTexts());
  EXPECT_TRUE(offered("cmdRestore"));
  EXPECT_EQ(ticked("chkRestoreMessages"), 1) << "the backup holds exported mailboxes";
  EXPECT_TRUE(offered("chkRestoreMessages"));
  EXPECT_TRUE(offered("chkRestoreReportData"));
  EXPECT_EQ(ticked("chkRestoreReportData"), 0) << "offered, not chosen";
  EXPECT_FALSE(offered("chkRestoreCertificates")) << "4.0(3.15) exports no certificates";
}

TEST_F(BrowseTest, APathEndingInABackslashKeepsOne) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  EXPECT_EQ(browse(backup->folder() + "\\"), std::nullopt);
  EXPECT_EQ(target(), backup->folder() + "\\");
}

TEST_F(BrowseTest, CancellingChangesNothing) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  acceptFirst(*backup);
  EXPECT_EQ(browse(""), std::nullopt);
  EXPECT_EQ(target(), backup->folder() + "\\");
  EXPECT_TRUE(offered("cmdRestore"));
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(BrowseTest, BackupFileNamesAreMatchedInAnyCase) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  Files& files = backup->files();
  ASSERT_TRUE(files.copyFile(backup->item("OrvixDBBackUp.sql"), backup->item("x.tmp"), true));
  ASSERT_TRUE(files.deleteFile(backup->item("OrvixDBBackUp.sql"), true));
  ASSERT_TRUE(files.copyFile(backup->item("x.tmp"), backup->item("ORVIXDBBACKUP.SQL"), true));
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_TRUE(offered("cmdRestore"));
}

struct MissingRow {
  const char* name;
  std::vector<std::string> removed;
};

class BrowseCriticalFilesTest : public BrowseTest, public ::testing::WithParamInterface<MissingRow> {};

TEST_P(BrowseCriticalFilesTest, AFolderWithoutThemIsRefusedAndEveryOptionWithdrawn) {
  auto good = this->backup("4.0(3.15)");
  auto bad = this->backup("4.0(3.15)", MailStoreKind::Exchange2000, 0);
  ready();
  acceptFirst(*good);
  for (const std::string& item : GetParam().removed) ASSERT_TRUE(bad->files().deleteFile(bad->item(item), true));
  EXPECT_EQ(browse(bad->folder()), std::nullopt);
  EXPECT_EQ(boxTexts(), Strings{kCritical});
  EXPECT_EQ(target(), "");
  for (const char* option : kOptions) {
    EXPECT_EQ(ticked(option), 0) << option;
    EXPECT_FALSE(offered(option)) << option;
  }
  EXPECT_FALSE(offered("txtAliasMappingFilePath")) << "unticking the alias option disables its controls";
  EXPECT_FALSE(offered("cmdRestore"));
}

INSTANTIATE_TEST_SUITE_P(Missing, BrowseCriticalFilesTest,
                         ::testing::Values(MissingRow{"MainDatabase", {"OrvixDBBackUp.sql"}},
                                           MissingRow{"RegistryExport", {"OrvixReg.reg"}},
                                           MissingRow{"Both", {"OrvixDBBackUp.sql", "OrvixReg.reg"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, AnAcceptedFolderOffersTheAliasOptionAgain) {
  auto good = this->backup("4.0(3.15)");
  ready();
  EXPECT_EQ(browse(box.files().paths().toWindows("/nonexistent-vrel-folder")), std::nullopt);
  ASSERT_FALSE(offered("chkUseAliasMappingFile"));
  EXPECT_EQ(browse(good->folder()), std::nullopt);
  EXPECT_TRUE(offered("chkUseAliasMappingFile"));
  EXPECT_TRUE(offered("cmdRestore"));
}

TEST_F(BrowseTest, ReadOnlyFilesOnWritableMediaAreMadeWritable) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  ASSERT_TRUE(backup->files().setReadOnly(backup->item("OrvixDBBackUp.sql"), true));
  ASSERT_TRUE(backup->files().setReadOnly(backup->item("OrvixReg.reg"), true));
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_FALSE(backup->files().isReadOnly(backup->item("OrvixDBBackUp.sql")));
  EXPECT_FALSE(backup->files().isReadOnly(backup->item("OrvixReg.reg")));
  EXPECT_TRUE(offered("cmdRestore"));
}

TEST_F(BrowseTest, ReadOnlyMediaAreRefused) {
  auto good = this->backup("4.0(3.15)");
  auto cd = this->backup("4.0(3.15)");
  ready();
  acceptFirst(*good);
  ASSERT_TRUE(cd->files().setReadOnly(cd->item("OrvixDBBackUp.sql"), true));
  ASSERT_TRUE(cd->files().setReadOnly(cd->folder(), true));  // a read-only folder stands for read-only media
  EXPECT_EQ(browse(cd->folder()), std::nullopt);
  EXPECT_EQ(boxTexts(), Strings{kReadOnly});
  EXPECT_EQ(target(), "");
  EXPECT_EQ(ticked("chkRestoreMessages"), 0);
  EXPECT_FALSE(offered("chkRestoreMessages"));
  EXPECT_FALSE(offered("cmdRestore")) << "a cleared folder offers no restore";
  ASSERT_TRUE(cd->files().setReadOnly(cd->folder(), false));
}

TEST_F(BrowseTest, ARefusedVersionWithdrawsTheRestore) {
  auto good = this->backup("4.0(3.15)");
  auto older = this->backup("4.0(3.14)");
  ready();
  acceptFirst(*good);
  EXPECT_EQ(browse(older->folder()), std::nullopt);
  ASSERT_EQ(boxTexts().size(), 2u);
  EXPECT_EQ(boxTexts()[1], kMustMatch);
  EXPECT_FALSE(offered("cmdRestore"));
  EXPECT_EQ(ticked("chkRestoreMessages"), 0);
  EXPECT_FALSE(offered("chkRestoreMessages"));
  EXPECT_EQ(target(), older->folder() + "\\") << "the folder is kept, only the restore withdrawn";
}

TEST_F(BrowseTest, ANewServerThatIsNotCleanEndsTheProgram) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  addSubscribers(3);
  EXPECT_EQ(browse(backup->folder()), ProgramEnd::Refused);
}

TEST_F(BrowseTest, JustRestoreDBAsksAndSkipsTheVersionCheck) {
  auto older = this->backup("4.0(3.14)");
  ready("4.0(3.15)", "-justrestoredbnow");
  box.ui.answer("restore only the SQL tables", restore::MsgResult::No);
  EXPECT_EQ(browse(older->folder()), std::nullopt);
  ASSERT_EQ(box.ui.boxes.size(), 1u);
  EXPECT_EQ(box.ui.boxes[0].text, kJustRestoreDB);
  EXPECT_EQ(box.ui.boxes[0].buttons, restore::MsgBoxStyle::YesNo);
  EXPECT_TRUE(offered("cmdRestore")) << "the answer is acted on when the restore starts";
}

TEST_F(BrowseTest, WithoutMessagesOrReportDatabaseThoseOptionsAreWithdrawn) {
  auto full = this->backup("4.0(3.15)");
  auto bare = this->backup("4.0(3.15)");
  ready();
  acceptFirst(*full);
  box.form().setValue("chkRestoreReportData", 1);
  ASSERT_TRUE(bare->files().deleteFolder(bare->item("messages")));
  ASSERT_TRUE(bare->files().deleteFile(bare->item("ReportDBBackup.sql"), true));
  EXPECT_EQ(browse(bare->folder()), std::nullopt);
  EXPECT_TRUE(offered("cmdRestore"));
  EXPECT_EQ(ticked("chkRestoreMessages"), 0);
  EXPECT_FALSE(offered("chkRestoreMessages"));
  EXPECT_EQ(ticked("chkRestoreReportData"), 0);
  EXPECT_FALSE(offered("chkRestoreReportData"));
}

TEST_F(BrowseTest, TheReportOptionKeepsItsTick) {
  auto backup = this->backup("4.0(3.15)");
  ready();
  box.form().setValue("chkRestoreReportData", 1);
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_EQ(ticked("chkRestoreReportData"), 1);
}

TEST_F(BrowseTest, Exchange2007StoresKeepTheMessageRestoreOff) {
  auto backup = this->backup("5.0(1.0)");
  ready("5.0(1.0)");
  sql("UPDATE MailboxStore SET MailstoreType = 2");
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_TRUE(offered("cmdRestore"));
  EXPECT_EQ(ticked("chkRestoreMessages"), 0);
  EXPECT_FALSE(offered("chkRestoreMessages"));
}

struct CertRow {
  const char* name;
  const char* version;
  bool offered;
};

class BrowseCertificateOptionTest : public BrowseTest, public ::testing::WithParamInterface<CertRow> {};

TEST_P(BrowseCertificateOptionTest, OfferedFrom4_0_4_54WithACertificateBackup) {
  auto backup = this->backup(GetParam().version);
  ready(GetParam().version);
  // Older servers export no certificates; the file is placed so that only
  // the version decides.
  if (!backup->files().fileExists(backup->item("CertBackup"))) {
    ASSERT_TRUE(backup->files().writeAll(backup->item("CertBackup"), "pfx"));
  }
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_EQ(offered("chkRestoreCertificates"), GetParam().offered);
  EXPECT_EQ(ticked("chkRestoreCertificates"), 0);
}

INSTANTIATE_TEST_SUITE_P(Boundary, BrowseCertificateOptionTest,
                         ::testing::Values(CertRow{"Below", "4.0(4.53)", false}, CertRow{"From", "4.0(4.54)", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, ACertificateBackupWithoutTheFileIsNotOffered) {
  auto backup = this->backup("4.0(4.54)");
  ready("4.0(4.54)");
  ASSERT_TRUE(backup->files().fileExists(backup->item("CertBackup")));
  ASSERT_TRUE(backup->files().deleteFile(backup->item("CertBackup"), true));
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_FALSE(offered("chkRestoreCertificates"));
}

TEST_F(BrowseTest, AVoiceConnectorMachineGetsTheCertificateMenuButNoRestore) {
  auto backup = this->backup("5.0(1.0)");
  Registry& reg = box.machine().registry();
  ASSERT_EQ(reg.createKey(Hive::LocalMachine, "Software\\Tremarc\\TmIvc"), kRegOk);
  ASSERT_EQ(reg.setValue(Hive::LocalMachine, "Software\\Tremarc\\TmIvc", RegValue::text("SmtpPickupPath", "C:\\P")),
            kRegOk);
  ASSERT_EQ(reg.createKey(Hive::LocalMachine, "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0"), kRegOk);
  ASSERT_EQ(reg.setValue(Hive::LocalMachine, "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0",
                         RegValue::text("AccessDbFileName", "C:\\IVC\\MDBCertificate.MDB")),
            kRegOk);
  ASSERT_TRUE(box.files().createFolder("C:\\IVC"));
  ASSERT_TRUE(box.files().writeAll("C:\\IVC\\MDBCertificate.MDB", "mdb"));
  ASSERT_EQ(load(), std::nullopt);
  ASSERT_TRUE(backup->files().fileExists(backup->item("CertBackup")));
  EXPECT_EQ(browse(backup->folder()), std::nullopt);
  EXPECT_TRUE(boxTexts().empty()) << testing::PrintToString(boxTexts());
  EXPECT_TRUE(control("mnuRestoreCertificates").enabled);
  EXPECT_FALSE(offered("cmdRestore"));
  EXPECT_EQ(target(), backup->folder() + "\\") << "the folder is kept for the certificate restore";
}

TEST_F(BrowseTest, TheAliasOptionEnablesItsControls) {
  ready();
  restore::frmMain& form = box.form();
  form.click("chkUseAliasMappingFile");
  EXPECT_TRUE(offered("txtAliasMappingFilePath"));
  EXPECT_TRUE(offered("cmdBrowseForAliasMappingFile"));
  control("txtAliasMappingFilePath").caption = "C:\\map.csv";
  form.click("chkUseAliasMappingFile");
  EXPECT_FALSE(offered("txtAliasMappingFilePath"));
  EXPECT_FALSE(offered("cmdBrowseForAliasMappingFile"));
  EXPECT_EQ(control("txtAliasMappingFilePath").caption, "C:\\map.csv") << "the text is kept";
}

struct HeaderRow {
  const char* name;
  std::string content;
  bool accepted;
};

class AliasMapFileBrowseTest : public BrowseTest, public ::testing::WithParamInterface<HeaderRow> {};

TEST_P(AliasMapFileBrowseTest, TheChosenFileIsTakenOnlyWithBothAliasColumns) {
  ready();
  const std::string path = "C:\\Maps\\AliasMap.CSV";
  ASSERT_TRUE(box.files().createFolder("C:\\Maps"));
  ASSERT_TRUE(box.files().writeAll(path, GetParam().content));
  control("txtAliasMappingFilePath").caption = "C:\\earlier.csv";
  box.ui.openFiles.push_back(path);
  EXPECT_EQ(box.event([&] { box.form().cmdBrowseForAliasMappingFile_Click(); }), std::nullopt);
  EXPECT_EQ(control("txtAliasMappingFilePath").caption, GetParam().accepted ? path : "");
  EXPECT_EQ(boxTexts(), GetParam().accepted ? Strings{} : Strings{kBadMapFile});
}

INSTANTIATE_TEST_SUITE_P(
    Headers, AliasMapFileBrowseTest,
    ::testing::Values(HeaderRow{"OldFirst", "OLD_ALIAS,NEW_ALIAS\r\njdoe,john.doe\r\n", true},
                      HeaderRow{"NewFirst", "NEW_ALIAS,OLD_ALIAS\r\n", true},
                      HeaderRow{"AnyCaseAndBlanks", " old_alias , New_Alias \n", true},
                      HeaderRow{"MoreColumns", "DisplayName,OLD_ALIAS,Extension,NEW_ALIAS,Notes", true},
                      HeaderRow{"NoLineEnd", "OLD_ALIAS,NEW_ALIAS", true},
                      HeaderRow{"ByteOrderMark", "\xEF\xBB\xBFOLD_ALIAS,NEW_ALIAS\r\n", true},
                      HeaderRow{"OnlyOldColumn", "OLD_ALIAS,DisplayName,Extension\r\n", false},
                      HeaderRow{"Semicolons", "OLD_ALIAS;NEW_ALIAS;DisplayName\r\n", false},
                      HeaderRow{"ColumnsOnTheSecondLine", "aliases\r\nOLD_ALIAS,NEW_ALIAS\r\n", false},
                      HeaderRow{"Empty", "", false},
                      HeaderRow{"QuotedNames", "\"OLD_ALIAS\",\"NEW_ALIAS\"\r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, TheAliasFileDialogOffersCsvFilesFromTheProgramFolder) {
  ready();
  control("txtAliasMappingFilePath").caption = "C:\\kept.csv";
  EXPECT_EQ(box.event([&] { box.form().cmdBrowseForAliasMappingFile_Click(); }), std::nullopt);  // cancelled
  ASSERT_EQ(box.ui.fileDialogs.size(), 1u);
  const restore::FileDialogOptions& o = box.ui.fileDialogs[0];
  EXPECT_EQ(o.title, "Select alias mapping file");
  EXPECT_EQ(o.defaultExt, ".CSV");
  EXPECT_EQ(o.fileName, "AliasMap.CSV");
  EXPECT_EQ(o.filter, "*.CSV");
  EXPECT_EQ(o.initialFolder, RestoreMachine::kProgramFolder);
  EXPECT_EQ(control("txtAliasMappingFilePath").caption, "C:\\kept.csv");
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(BrowseTest, AMissingAliasFileIsNotFormattedCorrectly) {
  ready();
  EXPECT_FALSE(restore::bCheckAliasMapFile(box.program(), "C:\\Maps\\none.csv"));
  EXPECT_TRUE(boxTexts().empty());
}

}  // namespace
}  // namespace vrel::test
