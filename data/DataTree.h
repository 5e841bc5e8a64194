#pragma once
// The folders of the data tree the instrument writes documents into. A tree made by hand, by
// a test or by a board image may lack some; a store into a missing folder fails, so they are
// all made at start.
#include <cstddef>

namespace data_tree {

// Under the data root; parents come before their children.
inline constexpr const char* kFolders[] = {
    "/var/lib/ruv/working",
    "/var/lib/ruv/working/presets",
    "/var/lib/ruv/working/arrangments",
    "/var/lib/ruv/working/sampler",
    "/var/lib/ruv/working/clips",
    "/var/lib/ruv/working/effects",
    "/var/lib/ruv/working/midifiles",
};

// Makes every folder of kFolders that is missing; existing ones are left as they are. The
// number of folders that are missing still (each logged with its reason).
int Create();

}  // namespace data_tree
