#pragma once
// Row nodes of the memory table: stored rows and the dataset's record buffers share this one
// structure, so fetching and posting are plain copies. The record layout maps field numbers to
// slots in the node's data block; each slot starts with an indicator byte (0 = null).

#include "memtable/MemBlob.h"

#include <QtGlobal>
#include <vector>

inline constexpr quint32 MemRowGuard = 0x6A1B2C3E;

// Update status of a row version.
enum TMemUpdateStatus : quint8 { musUnmodified = 0, musModified = 1, musInserted = 2, musDeleted = 3 };

struct TMemRow {
    quint32 Guard1 = MemRowGuard;
    qint32 RecNoStamp = -1;   // 1-based position in the current index when fetched
    qint32 Bookmark = -1;     // record id + 1 of the row a buffer shows; -1 none
    quint8 BookmarkFlag = 0;
    qint32 RecordID = -1;     // slot in the row store
    qint32 RecordNo = -1;     // serial number given when stored
    qint32 TransLevel = 0;    // transaction level this version was made at
    quint8* Data = nullptr;   // record data, buffer size bytes
    qint32 DataLength = 0;    // bytes of Data: tables sharing a store may differ in calculated fields
    quint8 UpdateStatus = musUnmodified;
    TMemRow* OlderVersion = nullptr;
    quint32 Guard2 = MemRowGuard;

    bool IsLive() const { return Guard1 == MemRowGuard && Guard2 == MemRowGuard; }
};

// How a slot's value bytes are read and compared.
enum class TMemSlotKind : quint8 {
    Text,      // UTF-16 code units, zero-terminated
    SmallInt,  // signed 16-bit
    Word,      // unsigned 16-bit
    Boolean,   // 16-bit, 0 false
    Integer,   // signed 32-bit
    Float,     // double
    Date,      // 32-bit day number
    Time,      // 32-bit milliseconds
    DateTime,  // double milliseconds
    LargeInt,  // signed 64-bit
    Bcd,       // the class library's BCD data
    Bytes,     // raw bytes
    VarBytes,  // 16-bit length, then the bytes
    Blob       // reference to a TMemBlob
};

struct TMemSlot {
    int Offset = -1;  // of the indicator byte within the data block
    TMemSlotKind Kind = TMemSlotKind::Integer;
    int ValueSize = 0;
};

class TMemRecordLayout {
public:
    static constexpr int MaxFieldNumbers = 256;

    // Appends the slot of the next field number and returns that number (1-based); raises
    // EMemTableError past MaxFieldNumbers.
    int AddSlot(TMemSlotKind kind, int valueSize);
    // A slot of a calculated or lookup field at `offset` in the calculated area.
    static TMemSlot CalcSlot(TMemSlotKind kind, int valueSize, int dataSize, int offset);
    void SetCalcFieldsSize(int size) { calcSize_ = size; }
    void Clear();

    const TMemSlot& Slot(int fieldNo) const { return slots_.at(size_t(fieldNo - 1)); }
    int SlotCount() const { return int(slots_.size()); }
    int DataSize() const { return dataSize_; }
    int BufferSize() const { return dataSize_ + calcSize_; }
    bool HasBlobs() const { return !blobOffsets_.empty(); }

    // Value bytes of a slot kind; Text and Bytes depend on the field's size.
    static int ValueSizeOf(TMemSlotKind kind, int fieldSize);

    // Every node holds one reference to each blob its slots name, stored row or record buffer
    // alike; the operations below keep those counts.
    TMemRow* AllocRow() const;
    // Frees the data block and the node, letting go of its blobs; withVersions frees the
    // older-version chain the same way.
    void FreeRow(TMemRow* row, bool withVersions) const;
    // A new node with the same stamps, data, status and older-version link; id, number and level
    // start fresh. copyBlobs gives the copy blobs of its own, else it shares them.
    TMemRow* DuplicateRow(const TMemRow* row, bool copyBlobs) const;
    // Overwrites target in place; blob references are shared; target's id, number and level stay.
    void CopyRowInto(const TMemRow* source, TMemRow* target) const;
    void InitRow(TMemRow* row) const;
    void ClearCalcArea(TMemRow* row) const;

    static TMemBlob* BlobAt(const TMemRow* row, int offset);
    // The slot takes over the caller's reference to blob and lets go of the one it held.
    static void SetBlobAt(TMemRow* row, int offset, TMemBlob* blob);

private:
    std::vector<TMemSlot> slots_;
    std::vector<int> blobOffsets_;
    int dataSize_ = 0;
    int calcSize_ = 0;

    void ReleaseBlobs(TMemRow* row) const;
    void AcquireBlobs(const TMemRow* row) const;
};

// Indicator and value access on a row's data block.
inline bool SlotHasValue(const TMemRow* row, int offset) { return row->Data[offset] != 0; }
inline const quint8* SlotValue(const TMemRow* row, int offset) { return row->Data + offset + 1; }
inline quint8* SlotValue(TMemRow* row, int offset) { return row->Data + offset + 1; }
