// Splitting byte text into lines at CR LF, LF or a lone CR, whole or piece by piece.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// Splits a byte stream that arrives in pieces of any size into lines without
// their line ends. A line ends at CR LF, at LF or at a lone CR (also when the
// CR and the LF of one line end arrive in different pieces); a line end at the
// very end starts no further line. NUL bytes are ordinary bytes of a line.
// Each piece is scanned once, so the cost stays proportional to the bytes.
class TLineSplitter {
public:
    // Emit(std::string_view Line) is called for each line completed by the
    // piece; the view is valid during the call only.
    template <class Emit>
    void Feed(const char* P, size_t N, Emit&& E) {
        const char* const End = P + N;
        if (FAfterCR && P < End) {
            FAfterCR = false;
            if (*P == '\n') ++P;
        }
        // The next LF at or after P (End: none), kept between lines so that a
        // text of lone CRs is not searched for an LF again at every line.
        const char* NextLF = nullptr;
        while (P < End) {
            if (!NextLF || NextLF < P) {
                NextLF = static_cast<const char*>(std::memchr(P, '\n', static_cast<size_t>(End - P)));
                if (!NextLF) NextLF = End;
            }
            const char* Stop =
                static_cast<const char*>(std::memchr(P, '\r', static_cast<size_t>(NextLF - P)));
            if (!Stop) Stop = NextLF;
            if (Stop == End) {
                FPartial.append(P, static_cast<size_t>(End - P));
                return;
            }
            if (FPartial.empty()) {
                E(std::string_view(P, static_cast<size_t>(Stop - P)));
            } else {
                FPartial.append(P, static_cast<size_t>(Stop - P));
                E(std::string_view(FPartial));
                FPartial.clear();
            }
            if (*Stop == '\r') {
                if (Stop + 1 == End) {
                    FAfterCR = true;
                    return;
                }
                if (Stop[1] == '\n') ++Stop;
            }
            P = Stop + 1;
        }
    }

    // Ends the stream: a last line without a line end is emitted. The
    // splitter is then ready for a new stream.
    template <class Emit>
    void Finish(Emit&& E) {
        if (!FPartial.empty()) E(std::string_view(FPartial));
        FPartial.clear();
        FAfterCR = false;
    }

private:
    std::string FPartial;   // the start of a line whose end has not arrived
    bool FAfterCR = false;  // the last piece ended in CR: an LF first in the next belongs to it
};

// Calls Emit(std::string_view Line) for each line of a whole text, split as
// TLineSplitter splits it; each view is valid during its call.
template <class Emit>
void ForEachLine(std::string_view Text, Emit&& E) {
    TLineSplitter S;
    S.Feed(Text.data(), Text.size(), E);
    S.Finish(E);
}
