#include "imaging/metadata/xmp_packet.h"

#include <vector>

namespace vr {
namespace {

constexpr std::string_view kTiffNamespace = "http://ns.adobe.com/tiff/1.0/";
constexpr std::string_view kExifNamespace = "http://ns.adobe.com/exif/1.0/";

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':';
}

// The prefixes bound to `uri` by xmlns:PREFIX="uri" declarations, or the
// usual one when the packet declares none.
std::vector<std::string> PrefixesFor(std::string_view xmp, std::string_view uri, std::string_view usual) {
  std::vector<std::string> prefixes;
  for (std::size_t at = xmp.find(uri); at != std::string_view::npos; at = xmp.find(uri, at + 1)) {
    // Back over the quote, '=' and blanks to the name.
    std::size_t end = at;
    if (end == 0 || (xmp[end - 1] != '"' && xmp[end - 1] != '\'')) continue;
    --end;
    while (end > 0 && IsBlank(xmp[end - 1])) --end;
    if (end == 0 || xmp[end - 1] != '=') continue;
    --end;
    while (end > 0 && IsBlank(xmp[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && IsNameChar(xmp[begin - 1])) --begin;
    const std::string_view name = xmp.substr(begin, end - begin);
    if (name.starts_with("xmlns:") && name.size() > 6) prefixes.emplace_back(name.substr(6));
  }
  if (prefixes.empty()) prefixes.emplace_back(usual);
  return prefixes;
}

// Where one property sits in the text: the whole of it (attribute with its
// leading blanks, or element from '<' to the end of its closing tag) and
// its value.
struct Property {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t value_begin = 0;
  std::size_t value_end = 0;
};

// The property whose name starts at `name_at` and runs to `name_end`; none
// when it is written in a form not understood here.
std::optional<Property> PropertyAt(std::string_view xmp, std::size_t name_at, std::size_t name_end) {
  Property p;
  const std::string_view name = xmp.substr(name_at, name_end - name_at);
  if (xmp[name_at - 1] == '<') {
    p.begin = name_at - 1;
    const std::size_t close = xmp.find('>', name_end);
    if (close == std::string_view::npos) return std::nullopt;
    if (xmp[close - 1] == '/') {  // an empty element holds no simple value
      p.end = p.value_begin = p.value_end = close + 1;
      return p;
    }
    p.value_begin = close + 1;
    std::string closing("</");
    closing.append(name).append(">");
    p.value_end = xmp.find(closing, p.value_begin);
    if (p.value_end == std::string_view::npos) return std::nullopt;
    p.end = p.value_end + closing.size();
    return p;
  }
  p.begin = name_at;
  while (p.begin > 0 && IsBlank(xmp[p.begin - 1])) --p.begin;
  std::size_t pos = name_end;
  while (pos < xmp.size() && IsBlank(xmp[pos])) ++pos;
  if (pos >= xmp.size() || xmp[pos] != '=') return std::nullopt;
  ++pos;
  while (pos < xmp.size() && IsBlank(xmp[pos])) ++pos;
  if (pos >= xmp.size() || (xmp[pos] != '"' && xmp[pos] != '\'')) return std::nullopt;
  const std::size_t quote_end = xmp.find(xmp[pos], pos + 1);
  if (quote_end == std::string_view::npos) return std::nullopt;
  p.value_begin = pos + 1;
  p.value_end = quote_end;
  p.end = quote_end + 1;
  return p;
}

// Each occurrence of a property named PREFIX:<local...> (the whole local
// name when `whole_name`, else any name starting with it), in text order.
// `visit(name_at, name_end)` returns false to stop.
template <class Visit>
void ForEachPropertyName(std::string_view xmp, const std::string& prefix, std::string_view local,
                         bool whole_name, Visit visit) {
  std::string qualified(prefix);
  qualified.append(":").append(local);
  for (std::size_t at = xmp.find(qualified); at != std::string_view::npos; at = xmp.find(qualified, at + 1)) {
    if (at == 0 || (xmp[at - 1] != '<' && !IsBlank(xmp[at - 1]))) continue;
    std::size_t end = at + qualified.size();
    if (whole_name) {
      if (end < xmp.size() && IsNameChar(xmp[end])) continue;
    } else {
      while (end < xmp.size() && IsNameChar(xmp[end])) ++end;
    }
    if (!visit(at, end)) return;
  }
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<int> FindXmpOrientation(std::string_view xmp) {
  std::optional<int> found;
  for (const std::string& prefix : PrefixesFor(xmp, kTiffNamespace, "tiff")) {
    ForEachPropertyName(xmp, prefix, "Orientation", true, [&](std::size_t at, std::size_t end) {
      const std::optional<Property> p = PropertyAt(xmp, at, end);
      if (!p) return true;
      const std::string_view value = Trimmed(xmp.substr(p->value_begin, p->value_end - p->value_begin));
      if (value.size() == 1 && value[0] >= '1' && value[0] <= '8') found = value[0] - '0';
      return !found;
    });
    if (found) break;
  }
  return found;
}

std::string XmpWithUprightOrientation(std::string_view xmp) {
  std::string out(xmp);
  for (const std::string& prefix : PrefixesFor(xmp, kTiffNamespace, "tiff")) {
    // Edits go from the back so earlier positions stay valid.
    std::vector<Property> found;
    ForEachPropertyName(out, prefix, "Orientation", true, [&](std::size_t at, std::size_t end) {
      // A property inside another's value goes with that value.
      if (std::optional<Property> p = PropertyAt(out, at, end);
          p && p->value_end > p->value_begin && (found.empty() || p->begin >= found.back().end))
        found.push_back(*p);
      return true;
    });
    for (auto p = found.rbegin(); p != found.rend(); ++p) {
      out.erase(p->value_begin, p->value_end - p->value_begin);
      out.insert(p->value_begin, 1, '1');
    }
  }
  return out;
}

std::optional<std::string> XmpWithoutLocation(std::string_view xmp) {
  std::string out(xmp);
  for (const std::string& prefix : PrefixesFor(xmp, kExifNamespace, "exif")) {
    std::vector<Property> found;
    bool clean = true;
    ForEachPropertyName(out, prefix, "GPS", false, [&](std::size_t at, std::size_t end) {
      std::optional<Property> p = PropertyAt(out, at, end);
      if (!p)
        clean = false;
      else if (found.empty() || p->begin >= found.back().end)
        found.push_back(*p);
      return clean;
    });
    if (!clean) return std::nullopt;
    for (auto p = found.rbegin(); p != found.rend(); ++p) out.erase(p->begin, p->end - p->begin);
  }
  return out;
}

}  // namespace vr
