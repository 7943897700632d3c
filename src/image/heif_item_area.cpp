// The walk over a HEIF file's boxes; see heif_item_area.h.
#include "image/heif_item_area.h"

#include <cstring>
#include <map>
#include <vector>

namespace skyweave {
namespace {

constexpr std::uint64_t kSaturated = UINT64_MAX;
// Derived pictures nest an overlay over a grid over tiles; deeper is no file
// anyone wrote.
constexpr int kMaxDepth = 8;

std::uint64_t AddSaturating(std::uint64_t a, std::uint64_t b) {
    return a > kSaturated - b ? kSaturated : a + b;
}

// A bounded reader over big-endian fields; every read past the end fails
// the reader for good.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    bool AtEnd() const { return at_ >= bytes_.size(); }
    std::uint64_t Read(int size) {
        if (!ok_ || bytes_.size() - at_ < static_cast<std::size_t>(size)) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i) {
            value = value << 8 | bytes_[at_++];
        }
        return value;
    }
    std::span<const std::uint8_t> Take(std::size_t size) {
        if (!ok_ || bytes_.size() - at_ < size) {
            ok_ = false;
            return {};
        }
        const std::span<const std::uint8_t> part = bytes_.subspan(at_, size);
        at_ += size;
        return part;
    }
    std::span<const std::uint8_t> Rest() { return Take(bytes_.size() - at_); }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

struct Box {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> body;
};

constexpr std::uint32_t Tag(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

// The next box of `in`; nothing at the end or on a malformed header.
std::optional<Box> NextBox(Reader& in) {
    if (in.AtEnd()) {
        return std::nullopt;
    }
    std::uint64_t size = in.Read(4);
    const auto type = static_cast<std::uint32_t>(in.Read(4));
    std::uint64_t header = 8;
    if (size == 1) {
        size = in.Read(8);
        header = 16;
    }
    if (!in.ok()) {
        return std::nullopt;
    }
    Box box{type, {}};
    if (size == 0) {
        box.body = in.Rest();  // to the end of the enclosing box
    } else if (size < header) {
        return std::nullopt;
    } else {
        box.body = in.Take(static_cast<std::size_t>(size - header));
    }
    if (!in.ok()) {
        return std::nullopt;
    }
    return box;
}

// The first child of `parent` (a run of boxes) of `type`.
std::optional<Box> FindBox(std::span<const std::uint8_t> parent, std::uint32_t type) {
    Reader in(parent);
    while (const std::optional<Box> box = NextBox(in)) {
        if (box->type == type) {
            return box;
        }
    }
    return std::nullopt;
}

struct Items {
    std::uint32_t primary = 0;
    std::map<std::uint32_t, std::uint32_t> type;                 // item -> type
    std::map<std::uint32_t, std::vector<std::uint32_t>> inputs;  // 'dimg' references
    std::map<std::uint32_t, std::uint64_t> area;                 // item -> ispe pixels
};

bool ReadPrimary(std::span<const std::uint8_t> body, Items& items) {
    Reader in(body);
    const auto version = in.Read(1);
    in.Read(3);
    items.primary = static_cast<std::uint32_t>(in.Read(version == 0 ? 2 : 4));
    return in.ok();
}

bool ReadInfos(std::span<const std::uint8_t> body, Items& items) {
    Reader in(body);
    const auto version = in.Read(1);
    in.Read(3);
    in.Read(version == 0 ? 2 : 4);  // the count; the boxes themselves tell
    Reader entries(in.Rest());
    while (const std::optional<Box> box = NextBox(entries)) {
        if (box->type != Tag("infe")) {
            continue;
        }
        Reader infe(box->body);
        const auto infe_version = infe.Read(1);
        infe.Read(3);
        if (infe_version < 2) {
            continue;  // no item type before version 2
        }
        const auto id = static_cast<std::uint32_t>(infe.Read(infe_version == 2 ? 2 : 4));
        infe.Read(2);  // protection index
        const auto type = static_cast<std::uint32_t>(infe.Read(4));
        if (!infe.ok()) {
            return false;
        }
        items.type[id] = type;
    }
    return in.ok();
}

bool ReadReferences(std::span<const std::uint8_t> body, Items& items) {
    Reader in(body);
    const auto version = in.Read(1);
    in.Read(3);
    const int id_size = version == 0 ? 2 : 4;
    Reader references(in.Rest());
    while (const std::optional<Box> box = NextBox(references)) {
        if (box->type != Tag("dimg")) {
            continue;
        }
        Reader ref(box->body);
        const auto from = static_cast<std::uint32_t>(ref.Read(id_size));
        const auto count = ref.Read(2);
        std::vector<std::uint32_t>& inputs = items.inputs[from];
        for (std::uint64_t i = 0; i < count && ref.ok(); ++i) {
            inputs.push_back(static_cast<std::uint32_t>(ref.Read(id_size)));
        }
        if (!ref.ok()) {
            return false;
        }
    }
    return in.ok();
}

bool ReadSizes(std::span<const std::uint8_t> iprp, Items& items) {
    const std::optional<Box> ipco = FindBox(iprp, Tag("ipco"));
    const std::optional<Box> ipma = FindBox(iprp, Tag("ipma"));
    if (!ipco || !ipma) {
        return false;
    }
    // Properties are numbered from 1 in their order; only sizes matter here.
    std::vector<std::optional<std::uint64_t>> sizes;
    Reader properties(ipco->body);
    while (const std::optional<Box> box = NextBox(properties)) {
        std::optional<std::uint64_t> pixels;
        if (box->type == Tag("ispe")) {
            Reader ispe(box->body);
            ispe.Read(4);
            const std::uint64_t width = ispe.Read(4);
            const std::uint64_t height = ispe.Read(4);
            if (ispe.ok()) {
                pixels = width * height;
            }
        }
        sizes.push_back(pixels);
    }
    Reader in(ipma->body);
    const auto version = in.Read(1);
    const auto flags = in.Read(3);
    const auto count = in.Read(4);
    for (std::uint64_t i = 0; i < count && in.ok(); ++i) {
        const auto id = static_cast<std::uint32_t>(in.Read(version < 1 ? 2 : 4));
        const auto associations = in.Read(1);
        for (std::uint64_t a = 0; a < associations && in.ok(); ++a) {
            const std::uint64_t index = (flags & 1) != 0 ? in.Read(2) & 0x7fff : in.Read(1) & 0x7f;
            if (index >= 1 && index <= sizes.size() && sizes[index - 1]) {
                items.area[id] = *sizes[index - 1];
            }
        }
    }
    return in.ok();
}

bool IsDerived(std::uint32_t type) {
    return type == Tag("grid") || type == Tag("iovl") || type == Tag("iden");
}

// The area of item `id` with its inputs; each item's is worked out once
// (`known`), so a tile shared by hundreds of references costs one look.
// An item met again on its own path is a loop: saturated.
std::uint64_t AreaOf(const Items& items, std::uint32_t id, int depth,
                     std::map<std::uint32_t, std::uint64_t>& known,
                     std::map<std::uint32_t, bool>& open) {
    if (const auto done = known.find(id); done != known.end()) {
        return done->second;
    }
    if (depth > kMaxDepth || open[id]) {
        return kSaturated;
    }
    const auto own = items.area.find(id);
    std::uint64_t total = own != items.area.end() ? own->second : 0;
    const auto type = items.type.find(id);
    const auto inputs = items.inputs.find(id);
    if (type != items.type.end() && IsDerived(type->second) && inputs != items.inputs.end()) {
        open[id] = true;
        for (const std::uint32_t input : inputs->second) {
            total = AddSaturating(total, AreaOf(items, input, depth + 1, known, open));
            if (total == kSaturated) {
                break;
            }
        }
        open[id] = false;
    }
    known[id] = total;
    return total;
}

}  // namespace

std::optional<HeifItemArea> ReadHeifItemArea(std::span<const std::uint8_t> file) {
    const std::optional<Box> meta = FindBox(file, Tag("meta"));
    if (!meta || meta->body.size() < 4) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> children = meta->body.subspan(4);
    const std::optional<Box> pitm = FindBox(children, Tag("pitm"));
    const std::optional<Box> iinf = FindBox(children, Tag("iinf"));
    const std::optional<Box> iprp = FindBox(children, Tag("iprp"));
    Items items;
    if (!pitm || !iinf || !iprp || !ReadPrimary(pitm->body, items) ||
        !ReadInfos(iinf->body, items) || !ReadSizes(iprp->body, items)) {
        return std::nullopt;
    }
    if (const std::optional<Box> iref = FindBox(children, Tag("iref"))) {
        if (!ReadReferences(iref->body, items)) {
            return std::nullopt;
        }
    }
    const auto type = items.type.find(items.primary);
    HeifItemArea result;
    result.derived = type != items.type.end() && IsDerived(type->second);
    std::map<std::uint32_t, std::uint64_t> known;
    std::map<std::uint32_t, bool> open;
    result.pixels = AreaOf(items, items.primary, 0, known, open);
    return result;
}

}  // namespace skyweave
