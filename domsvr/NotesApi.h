/* The calls of the Notes C API that VrelDomSvr makes, with the types and
 * values it passes. The runtime behind them is the Notes client's; a status
 * of 0 is success and ERR() of any other is the error number. */
#pragma once

#include <cstdint>

#pragma GCC visibility push(default)
extern "C" {

typedef std::uint16_t STATUS;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::uint8_t BYTE;
typedef std::uint32_t DHANDLE;
typedef DHANDLE DBHANDLE;
typedef DHANDLE NOTEHANDLE;
typedef DHANDLE HCOLLECTION;
typedef DWORD NOTEID;

typedef struct {
  DWORD Innards[2];
} TIMEDATE;

/* A note's universal ID: File.Innards[0], File.Innards[1], Note.Innards[0],
 * Note.Innards[1] in memory order, 16 bytes. */
typedef struct {
  TIMEDATE File;
  TIMEDATE Note;
} UNID;

typedef struct {
  WORD Level;
  BYTE MinLevel;
  BYTE MaxLevel;
  DWORD Tumbler[32];
} COLLECTIONPOSITION;

#define NOTES_ERR(status) ((STATUS)((status) & 0x3FFF))
#define NOTES_NOERROR 0
#define NOTES_ERR_NOT_FOUND 1028 /* 0x404: no entry of that name in the index */
#define NOTES_NULLHANDLE 0
#define NOTES_OPEN_OPTIONS 0x0080
#define NOTES_CLASS_VIEW 8
#define NOTES_FIND_CASE_INSENSITIVE 2
#define NOTES_NAVIGATE_NEXT 1
#define NOTES_READ_MASK_NOTEUNID 2
#define NOTES_OS_TRANSLATE_LMBCS_TO_NATIVE 1
#define NOTES_NAMES_LOOKUP_VIEW "$NamesFieldLookup"
#define NOTES_VIEW_FLAG_PATTERN "-G40n"

STATUS NotesInitExtended(int argc, char** argv);
void NotesTerm(void);
STATUS OSPathNetConstruct(const char* port, const char* server, const char* file, char* path /* 256 bytes */);
STATUS NSFDbOpenExtended(const char* path, WORD options, DHANDLE names, TIMEDATE* modifiedTime, DBHANDLE* db,
                         TIMEDATE* dataModified, TIMEDATE* nonDataModified);
STATUS NSFDbClose(DBHANDLE db);
STATUS NIFFindDesignNoteExt(DBHANDLE db, const char* name, WORD noteClass, const char* flagPattern, NOTEID* noteId,
                            DWORD options);
STATUS NIFOpenCollection(DBHANDLE viewDb, DBHANDLE dataDb, NOTEID viewNoteId, WORD openFlags, DHANDLE unreadList,
                         HCOLLECTION* collection, NOTEHANDLE* viewNote, UNID* viewUnid, DHANDLE* collapsedList,
                         DHANDLE* selectedList);
STATUS NIFFindByName(HCOLLECTION collection, const char* name, WORD flags, COLLECTIONPOSITION* position,
                     DWORD* matches);
STATUS NIFReadEntries(HCOLLECTION collection, COLLECTIONPOSITION* position, WORD skipNavigator, DWORD skipCount,
                      WORD returnNavigator, DWORD returnCount, DWORD returnMask, DHANDLE* buffer,
                      WORD* bufferLength, DWORD* entriesSkipped, DWORD* entriesReturned, WORD* signalFlags);
void* OSLockObject(DHANDLE handle);
int OSUnlockObject(DHANDLE handle);
STATUS NIFCloseCollection(HCOLLECTION collection);
STATUS OSMemFree(DHANDLE handle);
STATUS NSFNoteOpenByUNID(DBHANDLE db, UNID* unid, WORD openFlags, NOTEHANDLE* note);
STATUS NSFNoteClose(NOTEHANDLE note);
WORD NSFItemGetTextListEntries(NOTEHANDLE note, const char* item);
WORD NSFItemGetTextListEntry(NOTEHANDLE note, const char* item, WORD index, char* buffer, WORD bufferLength);
WORD OSTranslate(WORD mode, const char* in, WORD inLength, char* out, WORD outLength);
WORD OSLoadString(DHANDLE module, STATUS status, char* buffer, WORD bufferLength);

}  /* extern "C" */
#pragma GCC visibility pop
