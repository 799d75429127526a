// The ground detail layer.
#include "location/Location.h"

void CLocation::RenderDetails() {}
