// Lists of byte strings: the abstract TStrings and the concrete TStringList.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

// Base of every object a TStringList can own alongside a line.
class TObject {
public:
    virtual ~TObject() = default;
};

// Raised for a bad line index of a TStringList.
class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// An ordered list of byte strings. Descendants supply the storage through
// Get/GetCount/Insert/Delete/Clear; everything else is built on those five.
class TStrings {
public:
    virtual ~TStrings() = default;

    virtual std::string Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    // Replaces line Index: Delete then Insert at the same place.
    virtual void Put(int Index, const std::string& S);
    // Appends S as Insert(Count, S) and returns the index it was given.
    virtual int Add(const std::string& S);
    // Clears the list and adds every line of Source.
    virtual void Assign(const TStrings& Source);
    // Index of the first line equal to S, ASCII letters compared without
    // regard to case; -1 when there is none.
    virtual int IndexOf(const std::string& S) const;

    // Adds every line of Source at the end.
    void AddStrings(const TStrings& Source);

    // The whole text: every line followed by CR LF.
    std::string GetText() const;
    // Replaces the list by the lines of Text, split at CR LF, LF or CR; a line
    // end at the very end does not start another line. NUL bytes are kept.
    void SetText(const std::string& Text);

    // Grouping of many changes; kept for the shape of callers, no effect here.
    void BeginUpdate() { ++UpdateCount; }
    void EndUpdate() {
        if (UpdateCount > 0) --UpdateCount;
    }

    int Count() const { return GetCount(); }
    std::string operator[](int Index) const { return Get(Index); }

protected:
    int UpdateCount = 0;
};

// A list of byte strings held in memory, each line with an optional object.
// When OwnsObjects is true, the list deletes the objects of the lines it
// removes and of all its lines when it is destroyed.
class TStringList : public TStrings {
public:
    explicit TStringList(bool OwnsObjects = false) : FOwnsObjects(OwnsObjects) {}
    ~TStringList() override;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    std::string Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(FItems.size() + FPackCount); }
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Put(int Index, const std::string& S) override;
    int Add(const std::string& S) override;
    // The same, taking over the string's storage.
    int Add(std::string&& S);

    // Appends a line to the packed store: the bytes of packed lines lie one
    // after another in one buffer instead of one string each, which suits
    // long bodies that are mostly read once, in order, through View. To every
    // other reader they are ordinary lines: the first read through At or Get,
    // or any change other than another Add, turns all of them into ordinary
    // lines (Add after packed lines packs its line too).
    void AddPacked(std::string_view S);
    // Line Index without turning packed lines into strings. The view stays
    // valid until the list is next changed or read through At or Get.
    std::string_view View(int Index) const;

    int AddObject(const std::string& S, TObject* Obj);
    void InsertObject(int Index, const std::string& S, TObject* Obj);
    TObject* GetObject(int Index) const;
    // Sets the object of line Index; an owned object it replaces is deleted.
    void PutObject(int Index, TObject* Obj);

    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

    // Direct access for hot loops.
    const std::string& At(int Index) const;
    void Reserve(int N) { FItems.reserve(static_cast<size_t>(N)); }

private:
    struct Item {
        std::string Text;
        TObject* Obj = nullptr;
    };
    void CheckIndex(int Index, int Limit) const;
    // Moves the packed lines into FItems.
    void Unpack() const;
    std::string_view PackedView(size_t K) const;
    // The packed lines, which always follow those of FItems, lie in chunks
    // that never move (so adding copies no earlier bytes): the bytes of each
    // line from the front of a chunk, and from its back, downwards, a 32-bit
    // end offset per line. A line never spans two chunks.
    struct FreeChunk {
        void operator()(char* P) const;
    };
    struct PackChunk {
        std::unique_ptr<char, FreeChunk> Data;
        size_t Capacity = 0;
        size_t Size = 0;  // bytes of lines
        size_t Lines = 0;
        size_t FirstLine = 0;  // among the packed lines
        size_t End(size_t Line) const;
    };
    mutable std::vector<Item> FItems;
    mutable std::vector<PackChunk> FPackChunks;
    mutable size_t FPackCount = 0;
    bool FOwnsObjects;
};
