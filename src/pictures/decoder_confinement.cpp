// Landlock through its system calls (the C library has no wrappers): a ruleset that handles every
// file-system right the running kernel knows and allows none. The seccomp filter allows by
// default and kills the process on the calls listed; clone3 answers ENOSYS, since its flags lie
// behind a pointer the filter cannot read, and the C library then falls back to clone, whose
// flags it can: threads are allowed, new processes are not.
#include "pictures/decoder_confinement.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace kelmo {
namespace {

static_assert(kConfinementSignal == SIGSYS);

// The file-system rights of Landlock's first version, and what each later version added.
constexpr __u64 kFirstVersionRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
    LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
    LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
    LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK |
    LANDLOCK_ACCESS_FS_MAKE_SYM;
constexpr __u64 kReferRight = 1ULL << 13;    // version 2: linking and renaming across folders
constexpr __u64 kTruncateRight = 1ULL << 14; // version 3: truncating

bool CloseFileSystem() {
  const long version =
      ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (version < 1) return false;
  landlock_ruleset_attr attributes{};
  attributes.handled_access_fs = kFirstVersionRights;
  if (version >= 2) attributes.handled_access_fs |= kReferRight;
  if (version >= 3) attributes.handled_access_fs |= kTruncateRight;
  const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0);
  if (ruleset < 0) return false;
  const bool restricted = ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
  ::close(static_cast<int>(ruleset));
  return restricted;
}

// Calls that a decoder never needs and that would reach beyond the picture.
constexpr int kForbiddenCalls[] = {
    SCMP_SYS(execve),   SCMP_SYS(execveat),  SCMP_SYS(fork),       SCMP_SYS(vfork),
    SCMP_SYS(socket),   SCMP_SYS(socketpair), SCMP_SYS(connect),   SCMP_SYS(bind),
    SCMP_SYS(listen),   SCMP_SYS(accept),    SCMP_SYS(accept4),    SCMP_SYS(ptrace),
    SCMP_SYS(process_vm_writev), SCMP_SYS(creat), SCMP_SYS(unlink), SCMP_SYS(unlinkat),
    SCMP_SYS(rename),   SCMP_SYS(renameat),  SCMP_SYS(renameat2),  SCMP_SYS(mkdir),
    SCMP_SYS(mkdirat),  SCMP_SYS(rmdir),     SCMP_SYS(link),       SCMP_SYS(linkat),
    SCMP_SYS(symlink),  SCMP_SYS(symlinkat), SCMP_SYS(truncate),   SCMP_SYS(chmod),
    SCMP_SYS(fchmodat), SCMP_SYS(chown),     SCMP_SYS(fchownat),   SCMP_SYS(mknod),
    SCMP_SYS(mknodat),  SCMP_SYS(mount),     SCMP_SYS(setsid),     SCMP_SYS(setpgid),
};

// Open flags that write or create.
constexpr scmp_datum_t kWritingOpenFlags[] = {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND};

bool FilterCalls() {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
  if (filter == nullptr) return false;
  const uint32_t stop = SCMP_ACT_KILL_PROCESS;
  const scmp_datum_t self = static_cast<scmp_datum_t>(::getpid());
  bool ok = true;
  for (const int call : kForbiddenCalls) ok = ok && seccomp_rule_add(filter, stop, call, 0) == 0;
  // Opening for writing or creating, one rule per flag (a rule compares one masked value).
  for (const scmp_datum_t flag : kWritingOpenFlags) {
    ok = ok &&
         seccomp_rule_add(filter, stop, SCMP_SYS(open), 1, SCMP_A1(SCMP_CMP_MASKED_EQ, flag, flag)) ==
             0 &&
         seccomp_rule_add(filter, stop, SCMP_SYS(openat), 1,
                          SCMP_A2(SCMP_CMP_MASKED_EQ, flag, flag)) == 0;
  }
  // openat2 keeps its flags behind a pointer: the C library falls back to openat.
  ok = ok && seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(openat2), 0) == 0;
  ok = ok && seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
  ok = ok && seccomp_rule_add(filter, stop, SCMP_SYS(clone), 1,
                              SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)) == 0;
  // Signals only to itself (abort and raise signal the process's own threads).
  ok = ok && seccomp_rule_add(filter, stop, SCMP_SYS(kill), 1, SCMP_A0(SCMP_CMP_NE, self, 0)) == 0;
  ok = ok && seccomp_rule_add(filter, stop, SCMP_SYS(tgkill), 1, SCMP_A0(SCMP_CMP_NE, self, 0)) == 0;
  ok = ok && seccomp_rule_add(filter, stop, SCMP_SYS(tkill), 0) == 0;
  ok = ok && seccomp_load(filter) == 0;
  seccomp_release(filter);
  return ok;
}

}  // namespace

TConfinement Confine() {
  TConfinement confinement;
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return confinement;
  confinement.FileSystemClosed = CloseFileSystem();
  confinement.CallsFiltered = FilterCalls();
  return confinement;
}

}  // namespace kelmo
