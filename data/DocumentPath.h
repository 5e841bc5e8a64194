#pragma once
// Full path of a named document in one of the data folders: data root + folder + name +
// extension. Names arrive from the touch pages, the host and other documents, so a name that
// is empty, absolute, climbs out of its folder (a ".." component), has an empty component or
// holds control characters is refused. Sub-folders ("category/name") are allowed.
#include <string>

// False, with `path` untouched, when the name is refused.
bool DocumentPath(const char* folder, const char* name, const char* extension, std::string& path);
