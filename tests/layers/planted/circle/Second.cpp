#include "First.h"
#include "Third.h"
