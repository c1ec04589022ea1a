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

const QString &doingText(RecordProblem::Doing doing)
{
    switch (doing) {
    case RecordProblem::Preparing:
        return texts::cannotPrepareRecord;
    case RecordProblem::Reading:
        return texts::cannotReadRecord;
    case RecordProblem::Saving:
        break;
    }
    return texts::cannotSaveRecord;
}

} // namespace

QString recordMessage(const RecordProblem &problem)
{
    return doingText(problem.doing).arg(problem.path, reasonFor(problem.cause));
}
