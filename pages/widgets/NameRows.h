#pragma once
// The list rows of the preset and arrangement tables: a numbered toggle button and a name
// button per row, on alternating row colours.
#include <string>
#include <vector>

#include "toolkit/uxDefs.h"

class uxHost;
class uxTableCtrl;

namespace name_rows {

// Replaces the table's rows by one row per name, numbered from 1, and marks it for repaint.
void Fill(uxHost* host, uxTableCtrl* table, const std::vector<std::string>& names, uxCOLOR nameText,
          const char* numberFormat = "%03d");
// The name shown in a row, or "" when the table has no such row.
std::string NameAt(uxTableCtrl* table, int index);
// Index of the first row that shows `name`, or -1.
int Find(uxTableCtrl* table, const std::string& name);
// Selects and scrolls to the first row that shows `name`; its index, or -1 (nothing changes).
int Select(uxTableCtrl* table, const std::string& name);
// The files of `dir` (a data path) with extension `ext`, extension stripped and sorted, shown
// in the table as by Fill in white.
std::vector<std::string> ListFiles(uxHost* host, uxTableCtrl* table, const char* dir, const char* ext);
// A name typed for a new document: not empty, no path separator, no "..", no control
// character, and not one of the reserved forms ("<...>" messages, "[...]" built-ins).
bool UsableName(const std::string& name);

}  // namespace name_rows
