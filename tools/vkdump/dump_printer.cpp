#include "tools/vkdump/dump_printer.h"

#include <string>
#include <vector>

#include "common/archive/field_visitor.h"
#include "common/archive/object.h"
#include "common/json/json_string.h"
#include "platform/core/text.h"
#include "tools/vkdump/dump_notes.h"

namespace {

// A text as a JSON string literal (also used for the tree form).
std::string Quoted(std::u16string_view text) { return VkJsonString(vk::ToUtf8(text)); }

const char* ClassName(const cVkObject* object) { return object->GetRuntimeClass()->name; }

// The note of an object; an empty one when the archive said nothing of it.
VkDumpNote NoteOf(const VkDumpNotes& notes, const cVkObject* object) {
  const VkDumpNote* note = notes.Find(object);
  return note ? *note : VkDumpNote{};
}

class TreePrinter : public cVkFieldVisitor {
 public:
  TreePrinter(std::ostream& out, const VkDumpNotes& notes, int depth) : out_(out), notes_(notes), depth_(depth) {}

  void Number(std::string_view name, int64_t value) override { Line(name) << value << '\n'; }
  void Text(std::string_view name, std::u16string_view value) override { Line(name) << Quoted(value) << '\n'; }
  void Object(std::string_view name, const cVkObject* value) override {
    if (value == nullptr) {
      Line(name) << "null\n";
      return;
    }
    VkDumpNote note = NoteOf(notes_, value);
    if (note.repeats != 0) {
      Line(name) << "reference to #" << note.repeats << " (" << ClassName(value) << ")\n";
      return;
    }
    std::ostream& line = Line(name) << ClassName(value);
    if (note.index != 0) line << " #" << note.index;
    if (note.layout) line << " (layout " << *note.layout << ')';
    line << '\n';
    TreePrinter inner(out_, notes_, depth_ + 1);
    value->VisitFields(inner);
  }
  void BeginList(std::string_view name) override {
    Line(name) << "[list]\n";
    ++depth_;
    lists_.push_back(0);
  }
  void EndList() override {
    --depth_;
    lists_.pop_back();
  }

 private:
  std::ostream& Line(std::string_view name) {
    out_ << std::string(2 * static_cast<size_t>(depth_), ' ');
    if (!name.empty()) return out_ << name << ": ";
    if (!lists_.empty()) return out_ << '[' << lists_.back()++ << "] ";
    return out_;
  }
  std::ostream& out_;
  const VkDumpNotes& notes_;
  int depth_;
  std::vector<size_t> lists_;
};

class JsonPrinter : public cVkFieldVisitor {
 public:
  JsonPrinter(std::ostream& out, const VkDumpNotes& notes) : out_(out), notes_(notes) {}

  void Number(std::string_view name, int64_t value) override { Key(name) << value; }
  void Text(std::string_view name, std::u16string_view value) override { Key(name) << Quoted(value); }
  void Object(std::string_view name, const cVkObject* value) override {
    Key(name);
    WriteObject(value);
  }
  void BeginList(std::string_view name) override {
    Key(name) << '[';
    first_.push_back(true);
  }
  void EndList() override {
    first_.pop_back();
    out_ << ']';
  }
  void WriteObject(const cVkObject* value) {
    if (value == nullptr) {
      out_ << "null";
      return;
    }
    VkDumpNote note = NoteOf(notes_, value);
    if (note.repeats != 0) {
      out_ << "{\"reference\":" << note.repeats << ",\"class\":" << Quoted(vk::FromUtf8(ClassName(value))) << '}';
      return;
    }
    out_ << "{\"class\":" << Quoted(vk::FromUtf8(ClassName(value)));
    if (note.index != 0) out_ << ",\"index\":" << note.index;
    if (note.layout) out_ << ",\"layout\":" << *note.layout;
    first_.push_back(false);
    value->VisitFields(*this);
    first_.pop_back();
    out_ << '}';
  }

 private:
  std::ostream& Key(std::string_view name) {
    if (!first_.back()) out_ << ',';
    first_.back() = false;
    if (!name.empty()) out_ << Quoted(vk::FromUtf8(name)) << ':';
    return out_;
  }
  std::ostream& out_;
  const VkDumpNotes& notes_;
  std::vector<bool> first_{true};
};

}  // namespace

void VkPrintTree(const cVkObject* object, const VkDumpNotes& notes, std::ostream& out) {
  TreePrinter printer(out, notes, 0);
  printer.Object({}, object);
}

void VkPrintJson(const cVkObject* object, const VkDumpNotes& notes, std::ostream& out) {
  JsonPrinter printer(out, notes);
  printer.WriteObject(object);
  out << '\n';
}
