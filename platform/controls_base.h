#pragma once

// What the common controls share: their error numbers and label-edit modes. The controls speak the
// old vocabulary (keys, 1-based indexes, tags, image keys, label-edit events that can cancel) over
// Qt's model/view. Nodes and list items are owned by their control; a pointer to one is valid
// until it is removed or the control is cleared.

#include "base/error.h"

#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <QWidget>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QAbstractItemView;
class QListView;
class QTabBar;
class QTimer;

namespace controls {

// The numbers the old controls raised, so that callers can tell the two apart.
enum ErrorNumber : int {
    errElementNotFound = 35601,
    errKeyNotUnique = 35602,
};

// Raised as the one error type of the program (mrv::Error) with these numbers.

enum LabelEditMode : int { lvwAutomatic = 0, lvwManual = 1, tvwAutomatic = 0, tvwManual = 1 };

}  // namespace controls
