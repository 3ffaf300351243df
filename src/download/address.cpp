// Host keys, redirect targets and local file names of web addresses.
#include "download/address.h"

#include <algorithm>
#include <cctype>

#include "text/ascii_case.h"

namespace kovalo {

namespace {

// Position of the first "/" after the host, or npos.
std::size_t HostEnd(std::string_view url) {
  std::size_t slashes = url.find("//");
  std::size_t hostStart = slashes == std::string_view::npos ? 0 : slashes + 2;
  return url.find('/', hostStart);
}

}  // namespace

std::string HostKey(std::string_view url) {
  // The query is no part of the key: a date such as "day=10/04/2006" in it
  // would make every request a host of its own.
  url = url.substr(0, url.find('?'));
  std::size_t slashes = url.find("//");
  std::string_view rest = slashes == std::string_view::npos ? url : url.substr(slashes + 2);
  std::size_t last = rest.rfind('/');
  if (last == std::string_view::npos) {
    return slashes == std::string_view::npos ? std::string() : std::string(rest);
  }
  return std::string(rest.substr(0, last));
}

bool HasScheme(std::string_view url) {
  std::size_t colon = url.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  if (!std::isalpha(static_cast<unsigned char>(url[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(url[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

std::string FindLocation(std::string_view rawHeaders) {
  // Only a header named Location counts: searching the headers for the bare
  // text "Location: " would also take the value of Content-Location.
  std::string_view preferred[] = {"HTTP://", "FTP://", ""};
  for (std::string_view prefix : preferred) {
    std::size_t lineStart = 0;
    while (lineStart < rawHeaders.size()) {
      std::size_t lineEnd = rawHeaders.find('\n', lineStart);
      if (lineEnd == std::string_view::npos) lineEnd = rawHeaders.size();
      std::string_view line = rawHeaders.substr(lineStart, lineEnd - lineStart);
      lineStart = lineEnd + 1;
      if (!StartsWithIgnoringAsciiCase(line, "Location:")) continue;
      std::size_t begin = 9;
      while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
      std::size_t end = line.size();
      while (end > begin &&
             (line[end - 1] == '\r' || line[end - 1] == ' ' || line[end - 1] == '\t')) {
        --end;
      }
      std::string_view value = line.substr(begin, end - begin);
      if (!value.empty() && StartsWithIgnoringAsciiCase(value, prefix)) return std::string(value);
    }
  }
  return std::string();
}

std::string ResolveRedirect(std::string_view requested, std::string_view location) {
  if (HasScheme(location)) return std::string(location);
  std::size_t hostEnd = HostEnd(requested);
  std::string root(requested.substr(0, hostEnd));  // whole text when npos
  if (!location.empty() && location.front() == '/') return root + std::string(location);
  return root + "/" + std::string(location);
}

bool IsLocalFileAddress(std::string_view url) {
  return StartsWithIgnoringAsciiCase(url, "file://");
}

std::string LocalFilePath(std::string_view url) {
  std::string_view rest = url.substr(std::min<std::size_t>(7, url.size()));
  if (StartsWithIgnoringAsciiCase(rest, "localhost/")) rest.remove_prefix(9);
  return std::string(rest);
}

std::string UnescapeBlankAndCaret(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '%' && i + 2 < path.size()) {
      std::string_view code = path.substr(i + 1, 2);
      if (code == "20") {
        out += ' ';
        i += 2;
        continue;
      }
      if (code == "5E" || code == "5e") {
        out += '^';
        i += 2;
        continue;
      }
    }
    out += path[i];
  }
  return out;
}

}  // namespace kovalo
