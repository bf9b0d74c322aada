// Printing an object as a readable tree or as JSON.
#pragma once

#include <ostream>

class cVkObject;

// Indented text: the class name, then one line per field ("name: value"),
// nested objects and lists indented below their field.
void VkPrintTree(const cVkObject* object, std::ostream& out);

// JSON: each object as {"class": name, then its fields by their names};
// null objects as null, lists as arrays, texts as strings.
void VkPrintJson(const cVkObject* object, std::ostream& out);
