// The received messages of a listing, one per list row, owned by the store.
#include "MessageStore.h"

#include "BaseMsg.h"

TMessageStore::TMessageStore() = default;
TMessageStore::~TMessageStore() = default;

int TMessageStore::Add(const std::string& Subject, std::unique_ptr<TINetMessage> Msg) {
    FItems.push_back(Item{Subject, std::move(Msg)});
    return Count() - 1;
}

void TMessageStore::Put(int Index, const std::string& Subject, std::unique_ptr<TINetMessage> Msg) {
    if (Index < 0 || Index >= Count()) return;
    FItems[static_cast<size_t>(Index)].Subject = Subject;
    FItems[static_cast<size_t>(Index)].Msg = std::move(Msg);
}

const std::string& TMessageStore::Subject(int Index) const {
    static const std::string Empty;
    if (Index < 0 || Index >= Count()) return Empty;
    return FItems[static_cast<size_t>(Index)].Subject;
}

TINetMessage* TMessageStore::Message(int Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return FItems[static_cast<size_t>(Index)].Msg.get();
}

void TMessageStore::Clear() { FItems.clear(); }
