// The name a program reports itself by, from the path it was started as.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace console {

// Ends the name inside `path` (of `length` bytes, with room for one more) and
// returns it: without the folders before it, by / or \, and without
// `suffix` (".exe", in any case) at its end.
inline char const* short_name(char* path, std::size_t length, std::string_view suffix) {
  std::string_view name(path, length);
  name.remove_prefix(name.find_last_of("\\/") + 1);  // npos + 1: no folder
  auto const lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (name.size() > suffix.size() &&
      std::ranges::equal(name.substr(name.size() - suffix.size()), suffix, {}, lower, lower)) {
    name.remove_suffix(suffix.size());
  }
  path[static_cast<std::size_t>(name.data() - path) + name.size()] = '\0';
  return name.data();
}

}  // namespace console
