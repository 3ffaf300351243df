// Pieces of web addresses as the download engine needs them: the host key
// that admission counts by, the Location of a redirect and its resolution
// against the requested address, and local file addresses. All functions are
// total: any text gives a defined result.
#pragma once

#include <string>
#include <string_view>

namespace kovalo {

// The address text, without its query (from the first "?"), after its first
// "//" and up to (not including) its last "/"; the whole rest when no "/"
// follows the "//". Without "//" the text up to its last "/".
std::string HostKey(std::string_view url);

// The value of the Location header in raw response headers, in its own letter
// case, or empty when there is none. Values beginning "http://" are preferred
// to "ftp://" ones, and those to any other, as the headers may carry several.
std::string FindLocation(std::string_view rawHeaders);

// Resolves a Location value against the address that was requested. A value
// with a scheme is used as it is; one beginning with "/" replaces everything
// from the first "/" after the host; any other is appended to the host root.
std::string ResolveRedirect(std::string_view requested, std::string_view location);

// True for "file://" addresses (any letter case).
bool IsLocalFileAddress(std::string_view url);

// The path a "file://" address names ("file:///tmp/a" and
// "file://localhost/tmp/a" both give "/tmp/a"), without unescaping.
std::string LocalFilePath(std::string_view url);

// Every "%20" replaced by a blank and every "%5E" (or "%5e") by "^": the
// second try at opening a local file whose name was escaped.
std::string UnescapeBlankAndCaret(std::string_view path);

// True when the address has a scheme followed by "://".
bool HasScheme(std::string_view url);

}  // namespace kovalo
