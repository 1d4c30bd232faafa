// The fake is header-only; this file keeps it in the fakes library's list.
#include "support/fake_process_privileges.h"
