// TreeSnapshot: everything that describes a folder tree and may not change
// when a test's run only reads it: per path the kind, permissions, size,
// modification and change times, link target and the bytes of regular
// files. Access times are left out: reading is allowed to set them. Two
// snapshots compare equal when nothing was changed. The result is a plain
// value owned by the caller.
#ifndef SARNITH_TESTS_COMMON_TREE_SNAPSHOT_H
#define SARNITH_TESTS_COMMON_TREE_SNAPSHOT_H

#include <map>
#include <string>

std::map<std::string, std::string> TreeSnapshot(const std::string& strRoot);

#endif
