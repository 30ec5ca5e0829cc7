#include "u_ReaderToolbar.h"
