// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordmessage.h"

#include "texts.h"

#include <cerrno>
#include <cstring>

namespace {

QString reasonFor(const recordfiles::Problem &cause)
{
    using recordfiles::Problem;
    switch (cause.kind) {
    case Problem::None:
        return {};
    case Problem::NotRegular:
        return texts::reasonNotRegular;
    case Problem::TooLarge:
        return texts::reasonTooLarge;
    case Problem::System:
        break;
    }
    switch (cause.error) {
    case EACCES:
    case EPERM:
        return texts::reasonPermission;
    case ENOENT:
        return texts::reasonMissing;
    case ENOSPC:
    case EDQUOT:
        return texts::reasonDiskFull;
    case EROFS:
        return texts::reasonReadOnly;
    case ENOTDIR:
        return texts::reasonNotDirectory;
    case EWOULDBLOCK:
        return texts::reasonBusy;
    default:
        return QString::fromLocal8Bit(std::strerror(cause.error));
    }
}

} // namespace

QString loadMessage(const recordfiles::Loaded &loaded, const RecordStore &store)
{
    const QString &doing = loaded.stage == recordfiles::Loaded::Prepare ? texts::cannotPrepareRecord
                                                                        : texts::cannotReadRecord;
    return doing.arg(store.pathOf(loaded.problem), reasonFor(loaded.problem));
}

QString saveMessage(const recordfiles::Problem &problem, const RecordStore &store)
{
    return texts::cannotSaveRecord.arg(store.pathOf(problem), reasonFor(problem));
}
