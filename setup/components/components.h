// The component catalogue: one flat array of component records, each naming
// its parent by Section, ended by an all-zero record. Every tree operation
// walks the array and compares names (without regard to case). Portable: no
// Win32 here; the registry and INF reading is the Win32 edge.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Selection states.
const int kStateUnavailable = -1;
const int kStateOff = 0;
const int kStateOn = 1;
const int kStatePartly = 2;

// InstallType bits.
const uint32_t kInstallStandard = 2;   // a member of the standard setup
const uint32_t kInstallNotOnFloppy = 16; // the floppy kit does not offer it (the whole value)

struct ComponentRecord {
    char Section[64];        // registry "Section": the INF section and the name children use as Parent
    char INF[260];           // registry "INF": the component INF, relative to the source directory
    char OptionDesc[50];     // INF "OptionDesc", expanded; cut at a character boundary
    char Tip[146];           // INF "Tip", expanded; cut at a character boundary
    char Parent[64];         // INF "Parent" as written; empty for a top-level component
    uint32_t ChildCount;     // records whose Parent is this Section
    uint32_t InstallType;    // INF "InstallType"
    uint64_t Size;           // own CopyFiles bytes; for a parent the sum of its available children
    int32_t Installed;       // registry "Installed" (1: installed)
    int32_t Available;       // registry "Available" (1 when absent); the floppy kit's rule replaces it
    int32_t InitialState;    // computed by the build
    int32_t CommittedState;  // last state confirmed in a details dialog or saved by the standard setup
    int32_t State;           // the current selection state
    int32_t RunOutcome;      // install run: 0 not run, 1 set up, -1 not set up (its INF, a directive
                             // or one of its files failed)
};

// The program's one tree. records is null while there is none; otherwise it
// holds count records and the end record.
struct ComponentTree {
    ComponentRecord *records;
    int count;
    int capacity;
    uint64_t standardSize;   // standardSetupSize, stored by the build
};

extern ComponentTree componentTree;

// The array grows by this many records.
const int kComponentBlock = 20;

// --- Tree operations (portable) ---

// Child counts of every record. A record on a loop of Parent links (its own
// parent or ancestor, also through a second record of the same name) has no
// place in the tree: it becomes unavailable, with no size. Every operation
// treats such records as unavailable and never walks into them, and a record
// with an empty Section is nobody's parent.
void countChildren(ComponentTree &tree);
// The aggregated state of the children of parent; sets the three states of
// every record below it.
int deriveState(ComponentTree &tree, ComponentRecord &parent);
// The three states of every record.
void setInitialStates(ComponentTree &tree);
// The summed size of parent's available children; stores it into every
// parent below it.
uint64_t childrenSize(ComponentTree &tree, ComponentRecord &parent);
// Size of every available parent.
void setParentSizes(ComponentTree &tree);
// Bytes of the standard setup (standard members not yet installed).
uint64_t standardSetupSize(ComponentTree &tree);
// Sets State of every available descendant of parent.
void applyToSubtree(ComponentTree &tree, ComponentRecord &parent, int state);
// Pushes each child parent's state of parentSection ("" = top level) down.
void propagateStates(ComponentTree &tree, const char *parentSection);
// Bytes below parentSection ("" = top level) selected now and not at the start.
uint64_t newlySelectedSize(ComponentTree &tree, const char *parentSection);
// Saves and sets the state of the standard-setup members.
void selectStandardSet(ComponentTree &tree);
// Releases the array; the tree is empty afterwards. A second call does nothing.
void freeComponents(ComponentTree &tree);
// Sets State of every component to 0.
void clearSelection();

// The model part of a Section: after the first "_", up to the first "/"
// after it. 0 when the Section has no "_"; 1 otherwise (possibly empty);
// -1 when the part is longer than out holds (it then matches no model).
int modelPartOf(const char *section, char *out, size_t size);
// The model part holds at most 11 characters.
const size_t kModelPartSize = 12;

// A value of the catalogue key names one component: its name and its data
// must fit these sizes (terminator included), or the enumeration ends there.
const size_t kComponentValueNameSize = 260;
const size_t kComponentValueDataSize = 65;
