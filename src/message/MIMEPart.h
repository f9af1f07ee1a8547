// One MIME part: a message whose header describes the part and whose body
// holds its content or, for a multipart, the lines around its child parts.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "BaseMsg.h"
#include "ContentParams.h"
#include "MIMEEncodings.h"

// Multipart nesting beyond this many levels is not split: deeper boundary
// lines stay body lines of the innermost part.
constexpr int MaxMIMEDepth = 64;

// Where the receiving parser of a part stands: what the next line is.
enum class TLinePhase {
    Header,    // a header line, or the empty line that ends the header
    Preamble,  // a multipart before its first boundary: a body line of the part
    InChild,   // a multipart after a boundary: a line of the last child part
    Epilogue,  // a multipart after its closing boundary: a body line of the part
    Body,      // any other part: a content line
};

// One node of a MIME tree: a message whose header describes the part and
// whose body is its content (for a multipart, the preamble, then the lines
// after the closing boundary), with the child parts in Parts.
//
// The parts of one tree share its change count: creating, adding or
// clearing children anywhere in the tree raises it, and a part's leaf index
// (the leaf counts of its children) is rebuilt when it is next asked for
// after such a change. Walking all leaves after a change costs one pass over
// the tree; other messages' trees are not affected.
class TMIMEPart : public TBaseMessage {
public:
    TMIMEPart();
    ~TMIMEPart() override;

    std::unique_ptr<TBaseMessage> NewInstance() const override;

    // Empties parameters and children, back to the Header phase, MediaType
    // "text", no MimeVersion or Charset; SubType, Encoding, FileName and
    // Boundary keep their values. Then clears the lines.
    void Clear() override;
    // The inherited load, then ParseHeader.
    void LoadFromStrings(const TStrings& Source) override;

    // Reads the header into the fields.
    void ParseHeader();
    // Feeds one received line: header, then body or children by boundaries.
    void AddLine(const std::string& Line);
    TLinePhase Phase() const { return FPhase; }
    // One body line to Shift_JIS by Charset.
    std::string ConvertCharset(const std::string& Line) const;
    // The transfer encoding in lower case (read from the header when empty).
    std::string GetEncoding();
    void SetMimeVersion(const std::string& Value) { MimeVersion = Value; }
    std::string GetFileName();
    void SetFileName(const std::string& Name);
    // The boundary, made once when empty.
    std::string GetBoundary();
    // The body becomes the base64 form of the file; Content-Transfer-Encoding
    // base64; the file name from the last component of Path.
    void AttachFile(const std::string& Path);
    // Appends the part and its children as wire lines (header words encoded,
    // text in ISO-2022-JP).
    void WriteTo(TStrings& Dest);

    // Leaves, depth first in message order. Counts are kept per part and
    // recomputed after the tree changes, so walking all leaves stays fast.
    int LeafCount() const;
    TMIMEPart* LeafAt(int Index) const;

    // Replaces the body of a base64 or quoted-printable text part by its
    // decoded Shift_JIS lines. Done once: a second call changes nothing.
    void DecodeTextBody();
    // Writes the content to Dir + "/" + FileName (an empty Dir is the current
    // folder) and returns the path or paths (";"-joined) written, empty when
    // nothing was written. base64, quoted-printable and 7bit/8bit/binary
    // decode by their list class; any other encoding saves each complete
    // uuencoded block of the body to that path in turn, or, without any, the
    // body lines as they are. FileName is used as given: names proposed from
    // message data go through SafeFileName first.
    std::string SaveAttachment(const std::string& Dir, const std::string& FileName);
    // Writes to Stream the bytes SaveAttachment leaves in its file; false
    // (nothing written) where SaveAttachment writes no file.
    bool WriteContent(std::ostream& Stream);

    // Creates a child part carrying this part's MIME version and flags and
    // appends it.
    TMIMEPart* AddChild();
    // Puts Child (with its children) into Parts at Index and into this tree.
    TMIMEPart* InsertChild(size_t Index, std::unique_ptr<TMIMEPart> Child);
    // Call after removing or reordering Parts directly, so the leaf index is
    // rebuilt. Parts from elsewhere join through InsertChild.
    void TreeChanged();

    std::string MediaType = "text";
    std::string SubType = "plain";
    std::unique_ptr<TContentParams> TypeParams;
    std::unique_ptr<TContentParams> DispositionParams;
    std::string Encoding;
    std::string FileName;
    std::string Charset;
    std::vector<std::unique_ptr<TMIMEPart>> Parts;
    std::string Boundary;
    std::string MimeVersion;
    bool DecodeAsHeader = false;
    bool RFC2231Encode = false;
    // Nesting level: 0 for a root part.
    int Depth = 0;
    // DecodeTextBody has replaced the body by decoded text.
    bool TextDecoded = false;

private:
    struct TTreeState {
        uint64_t Changes = 1;
    };
    struct TContentPlan;
    void PlanContent(TContentPlan& Plan);
    void WriteContentAs(const TContentPlan& Plan, std::ostream& Stream);
    bool SplitsBody() const;
    void AddBodyLine(const std::string& Line);
    void JoinTree(const std::shared_ptr<TTreeState>& Tree, int NewDepth);
    void BuildLeafIndex() const;

    TLinePhase FPhase = TLinePhase::Header;
    std::shared_ptr<TTreeState> FTree;  // shared by every part of the tree
    mutable uint64_t FLeafChanges = 0;  // the tree's count when the index was built
    mutable int FLeafCount = 1;
    mutable std::vector<int> FLeafEnds;  // leaves up to and including child i
};

// A file name taken from message data made safe to save under in a chosen
// folder: only its last path component (after any "/" or "\", Shift_JIS
// double-byte characters kept whole), without control bytes, "." and ".."
// refused, at most 200 bytes (the extension kept). Empty when nothing usable
// is left; the caller then names the part itself.
std::string SafeFileName(const std::string& Name);
