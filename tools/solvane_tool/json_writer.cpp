#include "tools/solvane_tool/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace solvane {

namespace {

// The shortest decimal that reads back as the same single-precision value: 22.2f prints as
// 22.2, not 22.2000008.
std::string FormatNumber(float value) {
  if (!std::isfinite(value)) return "null";
  char text[48];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

}  // namespace

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) out_ += ',';
  level.empty = false;
  out_ += '\n';
  out_.append(2 * levels_.size(), ' ');
}

void JsonWriter::Raw(std::string_view text) {
  BeforeValue();
  out_ += text;
}

void JsonWriter::BeginObject() {
  Raw("{");
  levels_.push_back({true, true});
}

void JsonWriter::BeginArray() {
  Raw("[");
  levels_.push_back({false, true});
}

void JsonWriter::Close(char bracket) {
  const bool empty = levels_.back().empty;
  levels_.pop_back();
  if (!empty) {
    out_ += '\n';
    out_.append(2 * levels_.size(), ' ');
  }
  out_ += bracket;
  if (levels_.empty()) out_ += '\n';
}

void JsonWriter::EndObject() {
  Close('}');
}

void JsonWriter::EndArray() {
  Close(']');
}

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  Quoted(key);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  Quoted(text);
}

void JsonWriter::Quoted(std::string_view text) {
  out_ += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out_ += '\\';
      out_ += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      // Scripts are 8-bit text: other bytes go out as the code points of the same number.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out_ += escape;
    } else {
      out_ += c;
    }
  }
  out_ += '"';
}

void JsonWriter::Number(float value) {
  Raw(FormatNumber(value));
}

void JsonWriter::Integer(int64_t value) {
  Raw(std::to_string(value));
}

void JsonWriter::Bool(bool value) {
  Raw(value ? "true" : "false");
}

void JsonWriter::Null() {
  Raw("null");
}

void JsonWriter::Numbers(const std::vector<float>& values) {
  std::string line = "[";
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) line += ", ";
    line += FormatNumber(values[i]);
  }
  Raw(line + "]");
}

}  // namespace solvane
