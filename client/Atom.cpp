#include "Atom.h"

void RunInstanceGuard() {}

void ReleaseInstanceMark() {}
