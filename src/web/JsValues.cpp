#include "web/JsValues.h"

#include <emscripten/bind.h>

namespace quillmere::web {

val Bytes(const std::string& bytes) {
    // A copy the page owns: the memory view would move when the WebAssembly memory grows.
    return val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data())));
}

std::vector<std::uint8_t> BytesOf(const val& array) {
    return emscripten::convertJSArrayToNumberVector<std::uint8_t>(array);
}

std::string TextBytesOf(const val& array) {
    const auto bytes = BytesOf(array);
    return {bytes.begin(), bytes.end()};
}

std::string StringOf(const val& object, const char* key) {
    const val field = object[key];
    return field.isString() ? field.as<std::string>() : std::string();
}

val Strings(const std::vector<std::string>& texts) {
    val array = val::array();
    for (const auto& text : texts) array.call<void>("push", text);
    return array;
}

val Strings(const view::RowTexts& row, view::Grid grid) {
    val array = val::array();
    for (std::size_t column = 0; const auto* text = row.cell(grid, column); ++column) array.call<void>("push", *text);
    return array;
}

namespace {

const char* FieldName(reload::RuleField field) {
    switch (field) {
        case reload::RuleField::StartDate:
            return "startDate";
        case reload::RuleField::SessionsPerDay:
            return "sessionsPerDay";
        case reload::RuleField::MinSessionMinutes:
            return "minSessionMinutes";
        case reload::RuleField::Presessions:
            return "presessions";
    }
    return "";
}

}  // namespace

std::optional<view::Grid> GridOf(int grid) {
    if (grid < 0 || grid > static_cast<int>(view::Grid::Flags)) return std::nullopt;
    return static_cast<view::Grid>(grid);
}

std::optional<view::SortKey> KeyOf(int key) {
    if (key < 0 || key > static_cast<int>(view::SortKey::FinalScore)) return std::nullopt;
    return static_cast<view::SortKey>(key);
}

reload::RuleTexts RuleTextsOf(const val& texts) {
    reload::RuleTexts rules;
    rules.day = StringOf(texts, "day");
    rules.month = StringOf(texts, "month");
    rules.year = StringOf(texts, "year");
    rules.sessionsPerDay = StringOf(texts, "sessionsPerDay");
    rules.minSessionMinutes = StringOf(texts, "minSessionMinutes");
    rules.presessions = StringOf(texts, "presessions");
    return rules;
}

val RuleTextsObject(const reload::RuleTexts& rules) {
    val texts = val::object();
    texts.set("day", rules.day);
    texts.set("month", rules.month);
    texts.set("year", rules.year);
    texts.set("sessionsPerDay", rules.sessionsPerDay);
    texts.set("minSessionMinutes", rules.minSessionMinutes);
    texts.set("presessions", rules.presessions);
    return texts;
}

std::vector<std::size_t> IndicesOf(const val& array, std::size_t size) {
    std::vector<std::size_t> indices;
    const auto length = array["length"].as<unsigned>();
    for (unsigned i = 0; i < length; ++i) {
        const auto index = array[i].as<double>();
        if (index >= 0 && index < static_cast<double>(size)) indices.push_back(static_cast<std::size_t>(index));
    }
    return indices;
}

val RuleCheckObject(const reload::RuleCheck& check) {
    val result = val::object();
    result.set("valid", check.rules.has_value());
    val errors = val::array();
    for (const auto& error : check.errors) {
        val item = val::object();
        item.set("field", std::string(FieldName(error.field)));
        item.set("message", view::WithFullStop(error.message));
        errors.call<void>("push", item);
    }
    result.set("errors", errors);
    return result;
}

val ScaleObject(const view::AxisScale& scale) {
    val result = val::object();
    result.set("min", scale.min);
    result.set("max", scale.max);
    result.set("step", scale.step);
    result.set("ticks", scale.ticks);
    return result;
}

}  // namespace quillmere::web
