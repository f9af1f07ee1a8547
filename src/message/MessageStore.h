// The received messages of a listing, one per list row, owned by the store.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TINetMessage;

// The received messages of the last listing: entry i belongs to list row i
// and message number i + 1; the string is the decoded Subject. The store
// owns the messages; Put replaces (and frees) an entry's message.
class TMessageStore {
public:
    TMessageStore();
    ~TMessageStore();
    int Count() const { return static_cast<int>(FItems.size()); }
    int Add(const std::string& Subject, std::unique_ptr<TINetMessage> Msg);
    void Put(int Index, const std::string& Subject, std::unique_ptr<TINetMessage> Msg);
    const std::string& Subject(int Index) const;
    TINetMessage* Message(int Index) const;  // null for an index out of range
    void Clear();

private:
    struct Item {
        std::string Subject;
        std::unique_ptr<TINetMessage> Msg;
    };
    std::vector<Item> FItems;
};
