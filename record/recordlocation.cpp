// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordlocation.h"

#include "helperrecordstore.h"
#include "record/helperpaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

RecordPlaces installedRecordPlaces()
{
    return RecordPlaces{QFile::decodeName(helperpaths::recordHelper),
                        QFile::decodeName(helperpaths::sharedRecordDirectory),
                        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/sferdoni")};
}

RecordLocation findRecordLocation(const RecordPlaces &places)
{
    const QFileInfo helper(places.helper);
    if (helper.isFile() && helper.isExecutable() && QFileInfo(places.sharedDirectory).isDir())
        return RecordLocation{RecordLocation::SharedThroughHelper, places.sharedDirectory,
                              helper.filePath()};
    if (::faccessat(AT_FDCWD, QFile::encodeName(places.sharedDirectory).constData(), W_OK | X_OK,
                    AT_EACCESS) == 0)
        return RecordLocation{RecordLocation::SharedDirectly, places.sharedDirectory, {}};
    return RecordLocation{RecordLocation::PlayerOwn, places.playerDirectory, {}};
}

std::unique_ptr<RecordStore> makeRecordStore(const RecordLocation &location)
{
    if (location.kind == RecordLocation::SharedThroughHelper)
        return std::make_unique<HelperRecordStore>(location.helper);
    return std::make_unique<DirectRecordStore>(location.directory);
}
