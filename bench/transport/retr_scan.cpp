// Check and benchmark: the POP3 engine receives a 100 MB RETR reply in 16 KB
// pieces (ending in the middle of lines) and looks at every byte about once.
#include <chrono>
#include <cstdio>
#include <string>

#include "EngineHarness.h"

int main() {
    RecordingPop P;
    P.MessageCount = 1;
    P.Retrieve(1);
    std::string Line(998, 'a');
    Line += "\r\n";
    const size_t Total = 100u << 20;
    std::string Chunk;
    while (Chunk.size() < 16384) Chunk += Line;
    Chunk.resize(16384);
    size_t Events = 0;
    P.OnReceiving = [&](int) { ++Events; };
    const auto Start = std::chrono::steady_clock::now();
    P.Feed("+OK\r\n");
    size_t Sent = 0, Pieces = 1;
    for (; Sent < Total; Sent += Chunk.size(), ++Pieces) P.DataArrived(Chunk);
    P.Feed("\r\n.\r\n");
    const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();

    // Every byte is looked at about once, plus a few bytes per piece.
    const unsigned long long Bound = Sent + 16 + 8 * (Pieces + 1);
    bool Ok = true;
    auto Check = [&](bool Cond, const char* What) {
        if (!Cond) std::printf("FAIL: %s\n", What);
        Ok = Ok && Cond;
    };
    Check(P.Events.size() == 1, "one completion");
    Check(Events == Pieces + 1, "one progress report per piece");
    Check(P.ScannedBytes() <= Bound, "bytes scanned within the linear bound");
    Check(P.Lines.Count() > 100000, "all lines delivered");
    Check(Seconds < 60.0, "done within a minute");
    std::printf("RETR of %zu MB in %zu pieces: %.3f s, %llu bytes scanned (bound %llu)\n", Sent >> 20, Pieces,
                Seconds, static_cast<unsigned long long>(P.ScannedBytes()), Bound);
    return Ok ? 0 : 1;
}
