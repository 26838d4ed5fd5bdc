// The directives of an install section and the order in which each kind of
// run carries them out: a table per run, walked by the install driver. Here
// without the executors, so that the kit checker reads the same tables.
#pragma once

enum DirectiveKind { DEL_FILES, DEL_REG, COPY_FILES, MERGE_FILES, ADD_REG, UPDATE_INIS, UPDATE_INI_FIELDS };

// What the driver passes to the executor besides the section.
enum DirectiveExtra { NO_EXTRA, OVERWRITE_FLAG, ADD_MODE, REMOVE_MODE, ALWAYS_OVERWRITE };

// What the driver does with the directive's result.
enum DirectiveRule {
    MUST_SUCCEED,    // a result of 0 ends the section with 0
    STARTS_COPIES,   // as MUST_SUCCEED; keepInstalling is set to 1 first
    NEEDS_FILES,     // as MUST_SUCCEED; skipped, with the rest, when the files were given up
    RESULT_IGNORED,
};

struct DirectiveStep {
    const char *key;
    DirectiveKind kind;
    DirectiveExtra extra;
    DirectiveRule rule;
};

// An install section run at start-up, for a component, or in the first disk
// pass of a floppy kit.
inline constexpr DirectiveStep kFullRun[] = {
    {"DelFiles", DEL_FILES, NO_EXTRA, MUST_SUCCEED},
    {"DelReg", DEL_REG, NO_EXTRA, MUST_SUCCEED},
    {"CopyFiles", COPY_FILES, NO_EXTRA, STARTS_COPIES},
    {"MergeFiles", MERGE_FILES, NO_EXTRA, MUST_SUCCEED},
    {"AddReg", ADD_REG, OVERWRITE_FLAG, NEEDS_FILES},
    {"UpdateInis", UPDATE_INIS, ADD_MODE, MUST_SUCCEED},
    {"UpdateIniFields", UPDATE_INI_FIELDS, NO_EXTRA, RESULT_IGNORED},
};

// The second and later disks of a floppy kit only bring files.
inline constexpr DirectiveStep kLaterDiskPass[] = {
    {"CopyFiles", COPY_FILES, NO_EXTRA, STARTS_COPIES},
    {"MergeFiles", MERGE_FILES, NO_EXTRA, MUST_SUCCEED},
};

// A component's Uninstall section.
inline constexpr DirectiveStep kRemoval[] = {
    {"DelFiles", DEL_FILES, NO_EXTRA, RESULT_IGNORED},
    {"DelReg", DEL_REG, NO_EXTRA, RESULT_IGNORED},
    {"AddReg", ADD_REG, ALWAYS_OVERWRITE, RESULT_IGNORED},
    {"UpdateInis", UPDATE_INIS, REMOVE_MODE, RESULT_IGNORED},
};
