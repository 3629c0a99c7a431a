// What the system's own file dialogs do with name filters.
#pragma once

namespace filedialogs {

// True where the system's Open dialog matches "*.jpg" against PHOTO.JPG too
// (Windows, macOS). Elsewhere its patterns are matched letter for letter.
bool nativeFiltersIgnoreCase();

} // namespace filedialogs
