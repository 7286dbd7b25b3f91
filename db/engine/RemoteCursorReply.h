// What a client cursor of a remote session sends to open a table on the server, and how it fills
// itself from the reply (the frames and values are RemoteProtocol.h's). A statement's result cursor
// is filled by the same readers.
//
// OPENCURSOR (10) values sent: database handle (4), table name (text), index name (text; empty: the
// primary index), in memory (1), exclusive (1), read-only (1).
// Values of the success reply, in this order:
//   cursor handle (4);
//   cursor settings (ReadCursorSettings): table version (4, in 1/10000: 3.11 is 31100), data file header
//     (127 bytes, DataFileHeader.h), index file header (4096 bytes, IndexFileHeader.h), blob file header
//     (512 bytes, BlobFile.h; an empty value when the table has no blob file), cursor flags (1: bit 0
//     read-only, bit 1 exclusive, bit 2 in memory; other bits 0), active index (1: 0 the primary index,
//     1 .. the secondary count a secondary one, 255 record-number order);
//   field descriptors (ReadFieldDescs): one 768-byte value per field (FieldDescriptor.h), as many as the
//     data file header's field count;
//   cursor state (ReadCursorState): record count (4: the records the cursor sees), current record number
//     (4), the current record's position in the cursor's order (4: 1 the first), where the cursor lies
//     (1: 0 on a record, 1 before the first, 2 after the last, 3 between two records, where a record it
//     deleted lay); number and position are not 0 on a record and 0 elsewhere.
// The headers travel deciphered, as in an unencrypted table, whatever the table's own encryption.
// CLOSECURSOR (11): cursor handle (4) -> none.
//
// The record requests of an open cursor are RemoteCursor.h's.
//
// A reply is checked before anything of it is used: headers of another format raise VORSAM_OLDVERSION;
// headers, flags, an active index or descriptors that the table files would refuse raise
// VORSAM_HEADERCORRUPT (with the table name and the reason; index descriptors are checked against the
// fields when a cursor takes them, TDataTable::FillFromServer); a value missing, of the wrong width or out
// of its range raises VORSAM_UNCOMPRESS.
//
// Computed fields take no room in a table's records; a client cursor that shows them (a statement's live
// result) lays them out behind the record (LayoutComputedFields).
#pragma once

#include "db/engine/BlobFile.h"
#include "db/engine/DataFileHeader.h"
#include "db/engine/IndexFileHeader.h"
#include "db/engine/RemoteProtocol.h"
#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam {

class TDataDirectory;
struct TRemoteCallbacks;

inline constexpr uint8_t RemoteCursorReadOnly = 0x01;
inline constexpr uint8_t RemoteCursorExclusive = 0x02;
inline constexpr uint8_t RemoteCursorInMemory = 0x04;

enum TRemotePosition : uint8_t { rpOnRecord = 0, rpBeforeFirst = 1, rpAfterLast = 2, rpBetween = 3 };

struct TOpenCursorRequest {
    std::string TableName;
    std::string IndexName; // empty: the primary index
    bool InMemory = false;
    bool Exclusive = false;
    bool ReadOnly = false;
};

struct TRemoteCursorSettings {
    int32_t TableVersion = 0;
    TDataFileHeader DataHeader;
    TIndexFileHeader IndexHeader;
    bool HasBlobFile = false;
    TBlobFileHeader BlobHeader;
    bool ReadOnly = false;
    bool Exclusive = false;
    bool InMemory = false;
    uint8_t ActiveIndex = 0;
};

struct TRemoteCursorState {
    uint32_t RecordCount = 0;
    uint32_t RecordNumber = 0;
    uint32_t RecordPosition = 0;
    TRemotePosition Position = rpBeforeFirst;
};

// Everything the reply to OPENCURSOR gives a client cursor, with the session's number of the connection
// it came on, the only one that knows the handle.
struct TRemoteCursorImage {
    uint32_t CursorHandle = 0;
    uint64_t Connection = 0;
    TRemoteCursorSettings Settings;
    std::vector<TFieldDescriptor> Fields;
    TRemoteCursorState State;
};

// Writes the OPENCURSOR request (from its code on) into the buffer.
void WriteOpenCursorRequest(TRequestBuffer& request, uint32_t databaseHandle, const TOpenCursorRequest& open);

// The readers of the reply's parts, in their order; `tableName` goes into error contexts.
TRemoteCursorSettings ReadCursorSettings(TRemoteReply& reply, const std::string& tableName);
std::vector<TFieldDescriptor> ReadFieldDescs(TRemoteReply& reply, const TDataFileHeader& header,
                                             const std::string& tableName);
TRemoteCursorState ReadCursorState(TRemoteReply& reply);
// The whole reply, from its first value on.
TRemoteCursorImage ReadOpenCursorReply(TRemoteReply& reply, const std::string& tableName);

// Gives every computed field room behind the record of `recordSize` bytes, in field order (a
// null-indicator byte and its physical size each); returns the size of a record buffer with them.
// VORSAM_RECTOOBIG when that exceeds 65,535 bytes.
uint32_t LayoutComputedFields(std::vector<TFieldDescriptor>& fields, uint32_t recordSize,
                              const std::string& tableName);

// Opens a table on the server for a client cursor: OPENCURSOR on the database through the session's
// PerformRequest (built again after a reconnect, with the database's new handle); the reply, checked. It
// takes callbacks (a table's password) with the routines given, or, without, the session's (DataSession.h).
TRemoteCursorImage RequestOpenCursor(TDataDirectory& database, const TOpenCursorRequest& open,
                                     const TRemoteCallbacks* callbacks = nullptr);

} // namespace vorsam
