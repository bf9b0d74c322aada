#include "common/network/tree_item.h"

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"

VK_IMPLEMENT_SERIAL(cVkTreeItem, &cVkObject::classInfo, 1)

cVkTreeItem::cVkTreeItem(std::u16string text, uint32_t state, uint32_t image, uint32_t selectedImage,
                         std::unique_ptr<cVkObject> node)
    : text(std::move(text)), state(state), image(image), selectedImage(selectedImage), node(std::move(node)) {}

cVkTreeItem* cVkTreeItem::AddChild(std::unique_ptr<cVkTreeItem> child) {
  children.push_back(std::move(child));
  return children.back().get();
}

// After the layout version: text, state, image, selected image, the node as
// an object record, then the children as the object array writes itself
// (a count and one object record each, no version of its own).
void cVkTreeItem::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(1);
    ar.WriteString(text);
    ar.WriteDword(state);
    ar.WriteDword(image);
    ar.WriteDword(selectedImage);
    ar.WriteObject(node.get());
    ar.WriteCount(children.size());
    for (const auto& child : children) ar.WriteObject(child.get());
    return;
  }
  if (ar.ReadLayoutVersion(*this) != 1) return;
  ar.Read(text);
  ar.Read(state);
  ar.Read(image);
  ar.Read(selectedImage);
  std::unique_ptr<cVkObject> readNode = ar.ReadObject();
  if (ar.Failed()) return;
  node = std::move(readNode);
  uint32_t count = ar.ReadCount(2);
  children.clear();
  children.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<cVkTreeItem> child = ar.ReadObjectAs<cVkTreeItem>();
    if (ar.Failed()) return;
    if (child) children.push_back(std::move(child));
  }
}

cVkObject* cVkTreeItem::Clone() const {
  auto* copy = new cVkTreeItem;
  copy->CopyFrom(*this);
  return copy;
}

void cVkTreeItem::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cVkTreeItem*>(&other);
  if (source == nullptr || source == this) return;
  text = source->text;
  state = source->state;
  image = source->image;
  selectedImage = source->selectedImage;
  node.reset(source->node ? source->node->Clone() : nullptr);
  children.clear();
  for (const auto& child : source->children) {
    children.emplace_back(static_cast<cVkTreeItem*>(child->Clone()));
  }
}

void cVkTreeItem::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Text("text", text);
  visitor.Number("state", state);
  visitor.Number("image", image);
  visitor.Number("selectedImage", selectedImage);
  visitor.Object("node", node.get());
  visitor.BeginList("children");
  for (const auto& child : children) visitor.Object({}, child.get());
  visitor.EndList();
}
