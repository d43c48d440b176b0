// A small JSON writer for the tool's reports: objects and arrays nest, one member per line,
// short arrays of numbers on one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next member of the current object.
  void Key(std::string_view key);

  void String(std::string_view text);
  // Single-precision values print as the shortest decimal that reads back exactly; NaN and the
  // infinities, which JSON cannot hold, print as null.
  void Number(float value);
  void Integer(int64_t value);
  void Bool(bool value);
  void Null();
  // A whole array of numbers on one line.
  void Numbers(const std::vector<float>& values);

  const std::string& Text() const { return out_; }

 private:
  void BeforeValue();
  void Raw(std::string_view text);
  void Quoted(std::string_view text);
  void Close(char bracket);

  struct Level {
    bool isObject = false;
    bool empty = true;
  };
  std::string out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace solvane
