#pragma once
// The widget that shows a chart panel on screen.
