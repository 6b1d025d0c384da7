// Quorrel's entry point.
#include "app/QuorrelApp.h"

wxIMPLEMENT_APP(QuorrelApp);
