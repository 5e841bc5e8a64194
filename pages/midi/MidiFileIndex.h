#pragma once
// The Standard MIDI Files of the MIDI-file folder and its sub-folders: display name (as the
// file list shows it, unique) to the path relative to that folder.
#include <cstddef>
#include <map>
#include <string>

using MidiFileIndex = std::map<std::string, std::string>;

namespace MidiFiles {

// The most files the list holds.
constexpr std::size_t kMaxListedFiles = 999;

// Adds every ".mid" file (any case) below `folder` to `index`; `prefix` is the folder's path
// relative to the MIDI-file folder ("" at the top, else ending in "/"). A folder that cannot
// be opened or an entry that cannot be examined is logged and skipped; a folder met again
// through a link is not entered twice. The scan stops once the index holds kMaxListedFiles.
void ScanForMidiFiles(MidiFileIndex& index, const std::string& folder, const std::string& prefix);

// The name a file gets in the index: its name without the extension, "(E) " in front when
// it lies in a sub-folder, cut to 25 characters; a name taken already is cut to 23
// characters and numbered "_1" to "_9", from "_10" on cut to 22.
std::string DisplayName(const MidiFileIndex& index, const std::string& fileName, bool inSubFolder);

// True when the folder's "import" entry is a symbolic link to an existing directory.
bool IsImportFolderLinked(const std::string& midiFolder);

}  // namespace MidiFiles
