// ReadPhotoSphere (photo_sphere.h) on libxml2.
#include "image/photo_sphere.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

namespace skyweave {
namespace {

constexpr std::string_view kGPanoNamespace = "http://ns.google.com/photos/1.0/panorama/";

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

std::string_view Text(const xmlChar* text) {
    return text == nullptr ? std::string_view() : reinterpret_cast<const char*>(text);
}

bool InGPano(const xmlNs* ns) {
    return ns != nullptr && Text(ns->href) == kGPanoNamespace;
}

// The text an element or attribute holds directly. Entity references are
// left out rather than expanded, so a crafted packet cannot make a small
// document into a huge text.
std::string DirectText(const xmlNode* children) {
    std::string text;
    for (const xmlNode* child = children; child != nullptr; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            text += Text(child->content);
            if (text.size() > 256) {
                break;  // no GPano value is anywhere near this long
            }
        }
    }
    return text;
}

std::optional<double> Number(std::string_view text, bool& malformed) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        malformed = true;
        return std::nullopt;
    }
    return value;
}

// Files one GPano property into `sphere`; unknown names are ignored.
// Returns whether the name is one of the fields.
bool Take(PhotoSphere& sphere, std::string_view name, const std::string& value) {
    const std::pair<std::string_view, std::optional<double> PhotoSphere::*> numbers[] = {
        {"FullPanoWidthPixels", &PhotoSphere::full_width},
        {"FullPanoHeightPixels", &PhotoSphere::full_height},
        {"CroppedAreaImageWidthPixels", &PhotoSphere::cropped_width},
        {"CroppedAreaImageHeightPixels", &PhotoSphere::cropped_height},
        {"CroppedAreaLeftPixels", &PhotoSphere::cropped_left},
        {"CroppedAreaTopPixels", &PhotoSphere::cropped_top},
        {"InitialViewHeadingDegrees", &PhotoSphere::initial_heading},
        {"InitialViewPitchDegrees", &PhotoSphere::initial_pitch},
        {"InitialHorizontalFOVDegrees", &PhotoSphere::initial_fov},
        {"PoseHeadingDegrees", &PhotoSphere::pose_heading},
        {"PosePitchDegrees", &PhotoSphere::pose_pitch},
        {"PoseRollDegrees", &PhotoSphere::pose_roll},
    };
    for (const auto& [field, member] : numbers) {
        if (name == field) {
            sphere.*member = Number(value, sphere.malformed);
            return true;
        }
    }
    if (name == "ProjectionType") {
        sphere.projection = value;
        return true;
    }
    return false;
}

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

}  // namespace

std::optional<PhotoSphere> ReadPhotoSphere(std::span<const std::uint8_t> xmp) {
    const std::size_t name_length = sizeof kXmpSegmentName;  // with its zero
    if (xmp.size() >= name_length && std::memcmp(xmp.data(), kXmpSegmentName, name_length) == 0) {
        xmp = xmp.subspan(name_length);
    }
    if (xmp.empty() || xmp.size() > kMaxXmpPacketBytes) {
        return std::nullopt;
    }
    InitialiseOnce();
    // No network, no external DTD, no entity substitution, no messages on
    // stderr; libxml2's own nesting and size limits stay in force.
    const std::unique_ptr<xmlDoc, DocumentDeleter> document(
        xmlReadMemory(reinterpret_cast<const char*>(xmp.data()), static_cast<int>(xmp.size()),
                      nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (document == nullptr) {
        return std::nullopt;
    }
    PhotoSphere sphere;
    bool found = false;
    // Every element of the document, depth first, without recursion.
    const xmlNode* node = xmlDocGetRootElement(document.get());
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE) {
            if (InGPano(node->ns)) {
                found |= Take(sphere, Text(node->name), DirectText(node->children));
            }
            for (const xmlAttr* attribute = node->properties; attribute != nullptr;
                 attribute = attribute->next) {
                if (InGPano(attribute->ns)) {
                    found |= Take(sphere, Text(attribute->name), DirectText(attribute->children));
                }
            }
        }
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
            if (node == nullptr || node->type == XML_DOCUMENT_NODE) {
                node = nullptr;
            }
        }
        if (node != nullptr) {
            node = node->next;
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return sphere;
}

}  // namespace skyweave
