// HEIF files built box by box for the tests: items, their sizes and the
// references of derived pictures, with no coded data behind them. Enough
// for everything that reads the boxes before decoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skyweave::testing {

class CraftedHeif {
  public:
    struct Item {
        std::uint16_t id;
        std::string type;  // "hvc1", "grid", "iovl", "iden"
        std::uint32_t width;
        std::uint32_t height;
        std::vector<std::uint16_t> inputs;  // 'dimg' references, in order
    };

    static std::vector<std::uint8_t> Build(const std::vector<Item>& items, std::uint16_t primary) {
        Bytes ftyp = Text("heic");
        Put32(ftyp, 0);
        Append(ftyp, Text("mif1heic"));

        Bytes pitm = FullHeader(0);
        Put16(pitm, primary);

        Bytes iinf = FullHeader(0);
        Put16(iinf, static_cast<std::uint16_t>(items.size()));
        Bytes iref = FullHeader(0);
        Bytes ipco;
        Bytes ipma = FullHeader(0);
        Put32(ipma, static_cast<std::uint32_t>(items.size()));
        std::uint8_t property = 0;
        for (const Item& item : items) {
            Bytes infe = FullHeader(2);
            Put16(infe, item.id);
            Put16(infe, 0);
            Append(infe, Text(item.type));
            infe.push_back(0);  // empty name
            Append(iinf, BoxOf("infe", infe));
            if (!item.inputs.empty()) {
                Bytes dimg;
                Put16(dimg, item.id);
                Put16(dimg, static_cast<std::uint16_t>(item.inputs.size()));
                for (const std::uint16_t input : item.inputs) {
                    Put16(dimg, input);
                }
                Append(iref, BoxOf("dimg", dimg));
            }
            Bytes ispe = FullHeader(0);
            Put32(ispe, item.width);
            Put32(ispe, item.height);
            Append(ipco, BoxOf("ispe", ispe));
            Put16(ipma, item.id);
            ipma.push_back(1);
            ipma.push_back(static_cast<std::uint8_t>(0x80 | ++property));
        }
        Bytes hdlr = FullHeader(0);
        Put32(hdlr, 0);
        Append(hdlr, Text("pict"));
        Append(hdlr, Bytes(13, 0));

        Bytes iprp = BoxOf("ipco", ipco);
        Append(iprp, BoxOf("ipma", ipma));
        Bytes meta = FullHeader(0);
        Append(meta, BoxOf("hdlr", hdlr));
        Append(meta, BoxOf("pitm", pitm));
        Append(meta, BoxOf("iinf", iinf));
        Append(meta, BoxOf("iref", iref));
        Append(meta, BoxOf("iprp", iprp));

        Bytes file = BoxOf("ftyp", ftyp);
        Append(file, BoxOf("meta", meta));
        return file;
    }

  private:
    using Bytes = std::vector<std::uint8_t>;
    static void Put16(Bytes& out, std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v >> 8));
        out.push_back(static_cast<std::uint8_t>(v));
    }
    static void Put32(Bytes& out, std::uint32_t v) {
        Put16(out, v >> 16);
        Put16(out, v & 0xffff);
    }
    static Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
    static void Append(Bytes& out, const Bytes& more) {
        out.insert(out.end(), more.begin(), more.end());
    }
    static Bytes FullHeader(std::uint8_t version) { return {version, 0, 0, 0}; }
    static Bytes BoxOf(const std::string& type, const Bytes& body) {
        Bytes out;
        Put32(out, static_cast<std::uint32_t>(body.size() + 8));
        Append(out, Text(type));
        Append(out, body);
        return out;
    }
};

}  // namespace skyweave::testing
