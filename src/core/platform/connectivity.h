// Whether the user has put the machine offline, and the offer to go online.
#pragma once

#include <QString>

namespace connectivity {

// True only where the system can say that the user chose to work offline;
// where it cannot, the machine counts as online.
bool isDisconnectedByUser();

// Lets the system offer the user to go online for the given address; the
// answer does not matter to the caller.
void goOnline(const QString &url, void *nativeParent);

} // namespace connectivity
