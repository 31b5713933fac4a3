// The few things we read or change in an XMP packet, as text: its
// tiff:Orientation, and its exif:GPS properties. XMP is RDF/XML, which
// writes a simple property either as an attribute (tiff:Orientation="6")
// or as an element (<tiff:Orientation>6</tiff:Orientation>); both forms are
// understood, under whatever prefix the packet binds to the namespace.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vr {

// The packet's tiff:Orientation when it holds a whole number from 1 to 8.
std::optional<int> FindXmpOrientation(std::string_view xmp);

// The packet with every tiff:Orientation value set to 1.
std::string XmpWithUprightOrientation(std::string_view xmp);

// The packet without its exif:GPS... properties; none when one of them is
// written in a form this cannot take out cleanly, so the caller drops the
// packet rather than keep a location.
std::optional<std::string> XmpWithoutLocation(std::string_view xmp);

}  // namespace vr
