// The configuration dialog alone, with no owner, in a process of its own; exit code = its result.
#include "settings/dialog.h"

int main() {
    return int(showConfigDialog(nullptr));
}
