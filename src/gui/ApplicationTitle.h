#pragma once

namespace quillmere::gui {

// The program's name as its windows and boxes are titled.
inline constexpr char kApplicationTitle[] = "Quillmere";

}  // namespace quillmere::gui
