// Access rights of new files and directories: the owner may write, and the
// two configured groups get full access through the POSIX access list (on a
// directory also as default entries, so that what is created inside
// inherits them). Where the file system has no access lists, the first
// existing group becomes the group owner instead. Nothing is reported here:
// errors/file_utilities.cpp reports what setAccessRightsQuiet returns.
#include <acl/libacl.h>
#include <grp.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/qv_fileutil.h"

namespace {

bool noAclSupport(int code) { return code == ENOTSUP || code == EOPNOTSUPP || code == ENOSYS; }

// Group ids of the names that exist on this system, in order, without repeats.
std::vector<gid_t> existingGroups(const std::string& group1, const std::string& group2) {
  std::vector<gid_t> out;
  for (const std::string* name : {&group1, &group2}) {
    if (name->empty()) continue;
    std::vector<char> buf(16384);
    struct group gr;
    struct group* found = nullptr;
    if (::getgrnam_r(name->c_str(), &gr, buf.data(), buf.size(), &found) != 0 || found == nullptr) continue;
    bool seen = false;
    for (gid_t g : out) seen = seen || g == found->gr_gid;
    if (!seen) out.push_back(found->gr_gid);
  }
  return out;
}

// Owns an acl_t.
struct AclHolder {
  acl_t acl = nullptr;
  ~AclHolder() {
    if (acl != nullptr) acl_free(acl);
  }
};

// Gives `gid` read, write and execute in `acl` (an existing entry of the
// group is updated rather than duplicated). 0 or the system code.
int grantGroup(acl_t* acl, gid_t gid) {
  acl_entry_t entry;
  int which = ACL_FIRST_ENTRY;
  bool found = false;
  while (acl_get_entry(*acl, which, &entry) == 1) {
    which = ACL_NEXT_ENTRY;
    acl_tag_t tag;
    if (acl_get_tag_type(entry, &tag) != 0) return errno;
    if (tag != ACL_GROUP) continue;
    void* q = acl_get_qualifier(entry);
    if (q == nullptr) return errno;
    bool same = *static_cast<gid_t*>(q) == gid;
    acl_free(q);
    if (same) {
      found = true;
      break;
    }
  }
  if (!found) {
    if (acl_create_entry(acl, &entry) != 0) return errno;
    if (acl_set_tag_type(entry, ACL_GROUP) != 0) return errno;
    if (acl_set_qualifier(entry, &gid) != 0) return errno;
  }
  acl_permset_t perms;
  if (acl_get_permset(entry, &perms) != 0) return errno;
  if (acl_clear_perms(perms) != 0 || acl_add_perm(perms, ACL_READ) != 0 || acl_add_perm(perms, ACL_WRITE) != 0 ||
      acl_add_perm(perms, ACL_EXECUTE) != 0) {
    return errno;
  }
  return acl_set_permset(entry, perms) == 0 ? 0 : errno;
}

int grantAll(acl_t* acl, const std::vector<gid_t>& gids) {
  for (gid_t g : gids) {
    if (int e = grantGroup(acl, g); e != 0) return e;
  }
  return acl_calc_mask(acl) == 0 ? 0 : errno;
}

// Without access lists: the first group owns the object, with read, write
// and execute for the group (and set-group-id on a directory, so that new
// entries inherit the group). Failures here leave the object as it was.
void useGroupOwnership(const std::string& path, const struct stat& st, gid_t gid) {
  if (::chown(path.c_str(), static_cast<uid_t>(-1), gid) != 0) return;
  mode_t mode = (st.st_mode & 07777) | S_IRWXG | S_IWUSR;
  if (S_ISDIR(st.st_mode)) mode |= S_ISGID;
  (void)::chmod(path.c_str(), mode);
}

}  // namespace

qv_access_outcome setAccessRightsQuiet(const std::string& path, const std::string& group1, const std::string& group2) {
  qv_access_outcome out;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    out.code = QV_ACCESS_NOT_WRITABLE;
    out.systemCode = errno;
    return out;
  }
  // 1. Writable for the owner; the access list is still set on failure.
  if ((st.st_mode & S_IWUSR) == 0 && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) {
    out.code = QV_ACCESS_NOT_WRITABLE;
    out.systemCode = errno;
  } else {
    st.st_mode |= S_IWUSR;
  }

  std::vector<gid_t> gids = existingGroups(group1, group2);
  if (gids.empty()) return out;  // no group of these names on this system
  const bool isDir = S_ISDIR(st.st_mode);

  // 2. The object's access list.
  AclHolder access;
  access.acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  if (access.acl == nullptr) {
    if (noAclSupport(errno)) {
      useGroupOwnership(path, st, gids.front());
      out.usedGroupOwnership = true;
      return out;
    }
    out.code = QV_ACCESS_READ_ACL;
    out.systemCode = errno;
    return out;
  }
  // 3. Add the groups; a directory also gets them as default entries.
  AclHolder defaults;
  if (int e = grantAll(&access.acl, gids); e != 0) {
    out.code = QV_ACCESS_BUILD_ACL;
    out.systemCode = e;
    return out;
  }
  if (isDir) {
    defaults.acl = acl_get_file(path.c_str(), ACL_TYPE_DEFAULT);
    if (defaults.acl == nullptr) {
      out.code = QV_ACCESS_READ_ACL;
      out.systemCode = errno;
      return out;
    }
    if (acl_entries(defaults.acl) <= 0) {
      // No inherited entries yet: start from the object's own list.
      acl_free(defaults.acl);
      defaults.acl = acl_dup(access.acl);
      if (defaults.acl == nullptr) {
        out.code = QV_ACCESS_BUILD_ACL;
        out.systemCode = errno;
        return out;
      }
    } else if (int e2 = grantAll(&defaults.acl, gids); e2 != 0) {
      out.code = QV_ACCESS_BUILD_ACL;
      out.systemCode = e2;
      return out;
    }
  }
  // 4. Write the new lists.
  if (acl_set_file(path.c_str(), ACL_TYPE_ACCESS, access.acl) != 0 ||
      (isDir && acl_set_file(path.c_str(), ACL_TYPE_DEFAULT, defaults.acl) != 0)) {
    if (noAclSupport(errno)) {
      useGroupOwnership(path, st, gids.front());
      out.usedGroupOwnership = true;
      return out;
    }
    out.code = QV_ACCESS_WRITE_ACL;
    out.systemCode = errno;
  }
  return out;
}
