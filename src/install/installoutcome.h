// How an installation ended: what the copy form leaves and the install
// command returns.
#pragma once

enum class InstallOutcome {
    Done,
    FolderRefused,  // the folder text is no usable folder (said so)
    Declined,       // the user said No to a question before anything was changed
    FolderNotMade,  // the folder could not be made
    NotWritable,    // nothing could be written in the folder
    NoSpace,        // not enough free space
    NoDisc,         // the disc asked for did not come
    Cancelled,      // the user stopped the copy
    Failed,         // a copy or a last step failed
    RollbackIncomplete,  // failed or cancelled, and its rollback stopped half-way: the next start goes on with it
};
