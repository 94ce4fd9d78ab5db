#include "chart/engine/widgets/DuvPanelHost.h"
