#pragma once

// The common controls the forms are written against.

#include "platform/image_list.h"
#include "platform/list_view.h"
#include "platform/status_bar.h"
#include "platform/tab_strip.h"
#include "platform/tree_view.h"
