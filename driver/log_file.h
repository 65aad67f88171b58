#pragma once
// The match log is a shared utility and lives beside the clock in board/.
#include "board/log_file.h"
