#pragma once

// The core's values as the page's JavaScript takes them, and back: the bindings only convert.

#include <emscripten/val.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reload/Rules.h"
#include "view/CellTexts.h"
#include "view/Charts.h"
#include "view/Sorting.h"

namespace quillmere::web {

using emscripten::val;

// A Uint8Array the page owns: a view into the module's memory would move when that memory grows.
[[nodiscard]] val Bytes(const std::string& bytes);
// The bytes of a Uint8Array.
[[nodiscard]] std::vector<std::uint8_t> BytesOf(const val& array);
// The same as the core's texts hold bytes.
[[nodiscard]] std::string TextBytesOf(const val& array);

// The string `key` of `object`, empty when it is not one.
[[nodiscard]] std::string StringOf(const val& object, const char* key);
[[nodiscard]] val Strings(const std::vector<std::string>& texts);
// A grid's texts of one row, in column order.
[[nodiscard]] val Strings(const view::RowTexts& row, view::Grid grid);
// The numbers of a JavaScript array that are indices below `size`, in its order.
[[nodiscard]] std::vector<std::size_t> IndicesOf(const val& array, std::size_t size);

// A grid or a sort key by the number the page gives it (view::Grid's and view::SortKey's order).
[[nodiscard]] std::optional<view::Grid> GridOf(int grid);
[[nodiscard]] std::optional<view::SortKey> KeyOf(int key);

// Rule texts as {day, month, year, sessionsPerDay, minSessionMinutes, presessions}.
[[nodiscard]] reload::RuleTexts RuleTextsOf(const val& texts);
[[nodiscard]] val RuleTextsObject(const reload::RuleTexts& rules);
// {valid, errors: [{field, message}]}, one message per rule in error.
[[nodiscard]] val RuleCheckObject(const reload::RuleCheck& check);

// {min, max, step, ticks}.
[[nodiscard]] val ScaleObject(const view::AxisScale& scale);

}  // namespace quillmere::web
