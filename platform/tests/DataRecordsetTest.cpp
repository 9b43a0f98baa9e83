#include "platform/data/Recordset.h"
#include "platform/tests/DataTestMachine.h"

namespace vrel::data {
namespace {

using test::raised;

class DataRecordsetTest : public ::testing::Test {
 protected:
  DataRecordsetTest() {
    cn.open(test::kOrvixConnection);
    t.createSubscribers(cn);
  }
  long count(const std::string& where) {
    Recordset r;
    r.open("SELECT COUNT(*) AS N FROM Subscriber WHERE " + where, cn);
    return r.fields("N").value().toLong().value;
  }
  test::DataTestMachine t;
  Connection cn{t.machine()};
  Recordset rs;
};

TEST_F(DataRecordsetTest, RecordCountFollowsCursorTypeAndLocation) {
  struct Row {
    const char* name;
    CursorLocationEnum location;
    CursorTypeEnum type;
    long count;
    CursorTypeEnum reported;
  };
  const Row rows[] = {
      {"server forward-only", adUseServer, adOpenForwardOnly, -1, adOpenForwardOnly},
      {"server keyset", adUseServer, adOpenKeyset, 6, adOpenKeyset},
      {"server dynamic", adUseServer, adOpenDynamic, -1, adOpenDynamic},
      {"server static", adUseServer, adOpenStatic, 6, adOpenStatic},
      {"client forward-only becomes static", adUseClient, adOpenForwardOnly, 6, adOpenStatic},
      {"client keyset becomes static", adUseClient, adOpenKeyset, 6, adOpenStatic},
      {"client dynamic becomes static", adUseClient, adOpenDynamic, 6, adOpenStatic},
  };
  for (const Row& r : rows) {
    Recordset x;
    x.setCursorLocation(r.location);
    x.open("Select * from Subscriber", cn, r.type, adLockOptimistic);
    EXPECT_EQ(x.recordCount(), r.count) << r.name;
    EXPECT_EQ(x.cursorType(), r.reported) << r.name;
  }
  EXPECT_EQ(raised([&] { rs.recordCount(); }).number, 3704) << "closed";
}

TEST_F(DataRecordsetTest, MovesSetBofAndEofAsAdoDoes) {
  rs.open("SELECT Alias FROM Subscriber ORDER BY Extension", cn, adOpenKeyset);
  EXPECT_FALSE(rs.bof());
  EXPECT_EQ(rs.fields("alias").value().toString(), "EAdmin") << "field names ignore case";
  rs.moveLast();
  EXPECT_EQ(rs.fields(0L).value().toString(), "o'malley");
  rs.moveNext();
  EXPECT_TRUE(rs.eof());
  EXPECT_EQ(raised([&] { rs.moveNext(); }).number, 3021);
  EXPECT_EQ(raised([&] { rs.fields("Alias").value(); }).number, 3021);
  rs.moveFirst();
  rs.movePrevious();
  EXPECT_TRUE(rs.bof());
  EXPECT_FALSE(rs.eof());
  EXPECT_EQ(raised([&] { rs.movePrevious(); }).number, 3021);
  EXPECT_EQ(raised([&] { rs.fields("Nope"); }).number, 3265);
  EXPECT_EQ(raised([&] { rs.fields(7L); }).number, 3265);

  Recordset empty;
  empty.open("SELECT * FROM Subscriber WHERE 1 = 0", cn, adOpenStatic);
  EXPECT_TRUE(empty.bof() && empty.eof());
  EXPECT_EQ(empty.recordCount(), 0);
  EXPECT_EQ(raised([&] { empty.moveFirst(); }).number, 3021) << "every move fails on an empty recordset";
}

TEST_F(DataRecordsetTest, ForwardOnlyCursorsDoNotGoBack) {
  rs.open("SELECT Alias FROM Subscriber", cn);
  rs.moveNext();
  const AdoError e = raised([&] { rs.movePrevious(); });
  EXPECT_EQ(e.number, -2147217884);
  EXPECT_EQ(e.description, "Rowset does not support fetching backward.");
  EXPECT_EQ(raised([&] { rs.moveLast(); }).number, -2147217884);
  rs.moveFirst();
  EXPECT_EQ(rs.fields("Alias").value().toString(), "EAdmin") << "MoveFirst re-reads from the start";
}

TEST_F(DataRecordsetTest, ReadOnlyRecordsetsRefuseEveryEdit) {
  const char* kText =
      "Current Recordset does not support updating. This may be a limitation of the provider or of the selected "
      "locktype.";
  rs.open("SELECT Alias FROM Subscriber", cn, adOpenKeyset, adLockReadOnly);
  const AdoError e = raised([&] { rs.fields("Alias") = "x"; });
  EXPECT_EQ(e.number, 3251);
  EXPECT_EQ(e.description, kText);
  EXPECT_EQ(raised([&] { rs.addNew(); }).number, 3251);
  EXPECT_EQ(raised([&] { rs.deleteRecord(); }).number, 3251);
  rs.close();

  // A join cannot be written back, whatever lock was asked for.
  cn.execute("CREATE TABLE CallHandler (Alias TEXT COLLATE SQLSRV, OwnerID UNIQUEIDENTIFIER COLLATE SQLGUID)");
  cn.execute("INSERT INTO CallHandler SELECT 'ch_' || Alias, SubscriberObjectID FROM Subscriber");
  rs.open(
      "SELECT s.Alias, c.Alias AS Handler FROM Subscriber s INNER JOIN CallHandler c ON c.OwnerID = "
      "s.SubscriberObjectID",
      cn, adOpenKeyset, adLockOptimistic);
  EXPECT_EQ(rs.lockType(), adLockReadOnly);
  EXPECT_EQ(raised([&] { rs.fields("Handler") = "x"; }).number, 3251);
  EXPECT_EQ(count("Alias = 'EAdmin'"), 1);
}

TEST_F(DataRecordsetTest, UpdatesWriteBackToTheTable) {
  rs.open("Select Alias, Extension AS Ext, SubscriberObjectID from Subscriber WHERE Alias LIKE 'j%'", cn, adOpenKeyset,
          adLockOptimistic);
  EXPECT_EQ(rs.fields("SubscriberObjectID").value().toString(), "{00000003-0000-0000-0000-0000000000AA}");
  rs.fields("Ext") = "3001";  // converted to the column's type
  EXPECT_EQ(rs.editMode(), adEditInProgress);
  EXPECT_EQ(rs.fields("Ext").value(), Variant(3001));
  rs.update();
  EXPECT_EQ(rs.editMode(), adEditNone);
  EXPECT_EQ(count("Extension = 3001 AND Alias = 'jsmith'"), 1) << "written through the alias to Extension";

  rs.fields("Alias") = "jsmith2";
  rs.moveNext();  // moving off saves the edit
  EXPECT_EQ(count("Alias = 'jsmith2'"), 1);
  rs.fields("Alias") = "lost";
  rs.cancelUpdate();
  EXPECT_EQ(rs.fields("Alias").value().toString(), "JSmithers");
  EXPECT_EQ(count("Alias = 'lost'"), 0);

  const AdoError bad = raised([&] { rs.fields("Ext") = "twelve"; });
  EXPECT_EQ(bad.number, -2147217887) << "a value the column cannot take";
  EXPECT_EQ(rs.editMode(), adEditNone);
  EXPECT_EQ(raised([&] { rs.fields("SubscriberObjectID") = "not a guid"; }).number, -2147217887);
}

TEST_F(DataRecordsetTest, SavedRowsShowWhatTheTableStoredTriggersIncluded) {
  cn.execute("CREATE TABLE Noted (Id INT, Name NVARCHAR(20), Stamp NVARCHAR(20))");
  cn.execute("INSERT INTO Noted VALUES (1, 'a', NULL)");
  cn.execute("INSERT INTO Noted VALUES (2, 'b', NULL)");
  const struct {
    const char* name;
    const char* trigger;
    const char* stamp;
  } rows[] = {
      {"no trigger: the written row as stored", nullptr, ""},
      {"a trigger's change after the write shows", "CREATE TRIGGER NotedStamp AFTER UPDATE ON Noted BEGIN "
                                                   "UPDATE Noted SET Stamp = 'by trigger' WHERE rowid = NEW.rowid; END",
       "by trigger"},
  };
  for (const auto& r : rows) {
    if (r.trigger) cn.execute(r.trigger);
    Recordset x;
    x.open("SELECT Id, Name, Stamp FROM Noted ORDER BY Id", cn, adOpenKeyset, adLockOptimistic);
    // The first row's write is converted by the column's type; the
    // second's is text into a text column, kept as written.
    for (int n = 0; n < 2; ++n, x.moveNext()) {
      if (n == 0) x.fields("Id") = "42";
      else x.fields("Name") = "renamed";
      x.update();
      if (n == 0) EXPECT_EQ(x.fields("Id").value(), Variant(42)) << r.name;
      else EXPECT_EQ(x.fields("Name").value(), Variant("renamed")) << r.name;
      EXPECT_EQ(x.fields("Stamp").value().isNull() ? "" : x.fields("Stamp").value().toString(), r.stamp) << r.name;
    }
    x.close();
    cn.execute("UPDATE Noted SET Stamp = NULL");
  }
}

TEST_F(DataRecordsetTest, AddNewAppendsAndStaysCurrent) {
  rs.open("SELECT * FROM Subscriber", cn, adOpenKeyset, adLockOptimistic);
  rs.moveNext();
  rs.addNew();
  EXPECT_EQ(rs.editMode(), adEditAdd);
  rs.fields("SubscriberObjectID") = "{0000000A-0000-0000-0000-0000000000aa}";
  rs.fields("Alias") = "NewUser";
  rs.update();
  EXPECT_EQ(rs.recordCount(), 7);
  EXPECT_EQ(rs.fields("Alias").value().toString(), "NewUser") << "the new row stays current";
  EXPECT_EQ(rs.fields("Undeletable").value(), Variant(1)) << "defaults read back from the table";
  EXPECT_EQ(rs.fields("SubscriberObjectID").value().toString(), "{0000000A-0000-0000-0000-0000000000AA}");
  rs.moveNext();
  EXPECT_TRUE(rs.eof()) << "it was appended";

  rs.moveFirst();
  rs.moveNext();
  rs.addNew();
  rs.fields("Alias") = "Cancelled";
  rs.cancelUpdate();
  EXPECT_EQ(rs.fields("Alias").value().toString(), "ESubscriber") << "back to the row current before AddNew";
  EXPECT_EQ(count("Alias = 'Cancelled'"), 0);

  rs.addNew({"SubscriberObjectID", "Alias", "Extension"},
            {Variant("0000000B-0000-0000-0000-0000000000AA"), Variant("Posted"), Variant(5)});
  EXPECT_EQ(count("Alias = 'Posted' AND Extension = 5"), 1) << "AddNew with lists posts at once";
  EXPECT_EQ(rs.editMode(), adEditNone);
}

TEST_F(DataRecordsetTest, DeleteLeavesTheRowCurrentUntilAMove) {
  rs.open("Select Alias, Undeletable from Subscriber", cn, adOpenStatic, adLockOptimistic);
  rs.fields("Undeletable") = 0;
  rs.update();
  rs.deleteRecord();
  EXPECT_EQ(count("Alias = 'EAdmin'"), 0);
  EXPECT_FALSE(rs.bof() || rs.eof());
  EXPECT_EQ(raised([&] { rs.fields("Alias").value(); }).number, 3021);
  EXPECT_EQ(raised([&] { rs.deleteRecord(); }).number, 3021);
  EXPECT_EQ(rs.recordCount(), 5);
  rs.moveNext();
  EXPECT_EQ(rs.fields("Alias").value().toString(), "ESubscriber");
  rs.movePrevious();
  EXPECT_TRUE(rs.bof()) << "the deleted row is skipped";

  cn.execute("DELETE FROM Subscriber WHERE Alias = 'ESubscriber'");
  rs.moveFirst();
  EXPECT_EQ(raised([&] { rs.deleteRecord(); }).number, -2147217864) << "deleted behind the recordset's back";
}

TEST_F(DataRecordsetTest, RequeryReadsAgainAndRefusesWhileEditing) {
  rs.open("SELECT Alias FROM Subscriber", cn, adOpenKeyset, adLockOptimistic);
  cn.execute("DELETE FROM Subscriber WHERE Alias LIKE 'E%'");
  EXPECT_EQ(rs.recordCount(), 6) << "a snapshot until Requery";
  rs.moveLast();
  rs.fields("Alias") = "editing";
  EXPECT_EQ(raised([&] { rs.requery(); }).number, 3219);
  EXPECT_EQ(raised([&] { rs.close(); }).number, 3219) << "a pending edit is not dropped silently";
  rs.cancelUpdate();
  rs.requery();
  EXPECT_EQ(rs.recordCount(), 4);
  EXPECT_EQ(rs.fields("Alias").value().toString(), "jsmith") << "back at the first row";
}

TEST_F(DataRecordsetTest, TypesComeFromTheColumns) {
  rs.open("SELECT * FROM Subscriber WHERE Alias = 'EAdmin'", cn, adOpenStatic);
  EXPECT_EQ(rs.fields("SubscriberObjectID").type(), adGUID);
  EXPECT_EQ(rs.fields("Created").value().kind(), VarKind::Date);
  EXPECT_EQ(rs.fields("Created").value().toString(), "7/22/1997 1:05:00 PM");
  EXPECT_EQ(rs.fields("IsPrimary").value(), Variant(false));
  EXPECT_EQ(rs.fields("Extension").value(), Variant(1000));
  EXPECT_EQ(rs.fields("Alias").type(), adVarChar);
  EXPECT_EQ(rs.fields("FirstName").type(), adVarWChar);
}

TEST_F(DataRecordsetTest, StatementsWithoutRowsLeaveTheRecordsetClosed) {
  rs.open("DELETE FROM Subscriber WHERE Alias = 'EAdmin'", cn);
  EXPECT_FALSE(rs.isOpen());
  EXPECT_EQ(count("Alias = 'EAdmin'"), 0);
  EXPECT_EQ(raised([&] { rs.moveFirst(); }).number, 3704);
  rs.open("Subscriber", t.machine(), "Driver={SQL Server};server=;database=OrvixDb", adOpenKeyset);
  EXPECT_EQ(rs.recordCount(), 5) << "opened on a connection string of its own";
  EXPECT_EQ(raised([&] { rs.open("Subscriber", cn); }).number, 3705);
}

}  // namespace
}  // namespace vrel::data
