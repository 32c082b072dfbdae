// Compiled once per layer rule with the layer's own include setup; the build of
// every probe but the control must fail.
#include PROBE_HEADER
