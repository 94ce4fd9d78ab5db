#include "platform/core/StringList.h"
