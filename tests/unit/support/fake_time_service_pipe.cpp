// The fake is header-only; this file keeps it in the fakes library's list.
#include "support/fake_time_service_pipe.h"
