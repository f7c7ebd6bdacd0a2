// Literal search for the scans that walk whole scripts many times: much
// faster than memmem or std::string_view::find on source text, same result.
#pragma once

#include <cstddef>
#include <string_view>

namespace zarn {

// 0-based position of the first occurrence of `needle` in `hay` at or after
// `from`; std::string_view::npos when there is none. An empty needle occurs
// at `from` when `from` is within `hay`.
std::size_t FindText(std::string_view hay, std::string_view needle, std::size_t from = 0);

}  // namespace zarn
