// Printing an object as a readable tree or as JSON.
#pragma once

#include <ostream>

class cVkObject;
class VkDumpNotes;

// Indented text: the class name with the object's archive index ("#4") and
// its body's layout version ("(layout 1)"), then one line per field ("name:
// value"), nested objects and lists indented below their field. A
// back-reference is shown as "reference to #4 (class)", not as its copy.
void VkPrintTree(const cVkObject* object, const VkDumpNotes& notes, std::ostream& out);

// JSON: each object as {"class": name, "index": n, "layout": v, then its
// fields by their names} (index and layout where the archive has them); a
// back-reference as {"reference": n, "class": name}; null objects as null,
// lists as arrays, texts as strings.
void VkPrintJson(const cVkObject* object, const VkDumpNotes& notes, std::ostream& out);
