// The exports that carry fixed values and no behaviour.
#include "exports/mirtabel_fixed.h"

CMirtabel::CMirtabel() = default;

CMirtabel& CMirtabel::operator=(const CMirtabel&) = default;

int fnMirtabel() {
  return 42;
}

int nMirtabel = 0;
