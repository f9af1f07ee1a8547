// Lists of byte strings: the abstract TStrings and the concrete TStringList.
#pragma once

#include <memory>
#include <string>
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
    void EndUpdate() { if (UpdateCount > 0) --UpdateCount; }

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
    int GetCount() const override { return static_cast<int>(FItems.size()); }
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Put(int Index, const std::string& S) override;
    int Add(const std::string& S) override;

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
    std::vector<Item> FItems;
    bool FOwnsObjects;
};
