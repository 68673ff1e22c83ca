// Plug-in libraries: where they are looked for, the check of a file before it is loaded, and loading.
#include "app/Plugin.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/Environment.h"

namespace {

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kMachine = EM_RISCV;
#else
#error "plug-in check: unknown machine"
#endif
constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kData = ELFDATA2LSB;
#else
constexpr unsigned char kData = ELFDATA2MSB;
#endif

bool isDir(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// start + length within size, without overflow.
bool inside(uint64_t start, uint64_t length, uint64_t size) { return start <= size && length <= size - start; }

bool readAt(int fd, void* out, size_t count, uint64_t offset) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, static_cast<char*>(out) + done, count - done, off_t(offset + done));
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string findIn(const std::vector<std::string>& dirs, const std::string& file) {
    for (const std::string& dir : dirs) {
        const std::string path = dir + (dir.back() == '/' ? "" : "/") + file;
        if (access(path.c_str(), F_OK) == 0) return path;
    }
    return {};
}

bool fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

}  // namespace

std::vector<std::string> OrvPlugin_Dirs() {
    std::vector<std::string> dirs;
    const std::string env = OrvEnv_Text("QM_PLUGIN_DIR");
    if (!env.empty()) {
        if (isDir(env)) dirs.push_back(env);
        else OrvEnv_WarnBadValue("QM_PLUGIN_DIR", env, "pas un répertoire");
    }
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    const std::string path = n > 0 ? std::string(exe, size_t(n)) : std::string();
    if (const size_t slash = path.find_last_of('/'); slash != std::string::npos) {
        const std::string dir = path.substr(0, slash);
        dirs.push_back(dir + "/plugins");
        dirs.push_back(dir + "/../lib/quillmar2/plugins");
    }
    return dirs;
}

std::string OrvPlugin_Find(const std::string& file) { return findIn(OrvPlugin_Dirs(), file); }

bool OrvPlugin_CheckFile(const std::string& path, std::string* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(why, "illisible : " + std::string(std::strerror(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return fail(why, "pas un fichier");
    const uint64_t size = uint64_t(st.st_size);

    ElfW(Ehdr) eh;
    if (size < sizeof eh || !readAt(fd, &eh, sizeof eh, 0)) return fail(why, "fichier trop court pour un en-tête ELF");
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) return fail(why, "pas un fichier ELF");
    if (eh.e_ident[EI_CLASS] != kClass || eh.e_ident[EI_DATA] != kData || eh.e_machine != kMachine)
        return fail(why, "bibliothèque d'une autre architecture (machine " + std::to_string(eh.e_machine) + ")");
    if (eh.e_ident[EI_VERSION] != EV_CURRENT || eh.e_version != EV_CURRENT) return fail(why, "version ELF inconnue");
    if (eh.e_type != ET_DYN) return fail(why, "pas une bibliothèque partagée");
    if (eh.e_phentsize != sizeof(ElfW(Phdr)) || eh.e_phnum == 0 || eh.e_phnum == PN_XNUM)
        return fail(why, "en-têtes de programme incorrects");
    const uint64_t tableSize = uint64_t(eh.e_phnum) * sizeof(ElfW(Phdr));
    if (!inside(eh.e_phoff, tableSize, size)) return fail(why, "en-têtes de programme hors du fichier (tronqué ?)");

    bool loadable = false;
    for (unsigned i = 0; i < eh.e_phnum; i++) {
        ElfW(Phdr) ph;
        if (!readAt(fd, &ph, sizeof ph, eh.e_phoff + uint64_t(i) * sizeof ph))
            return fail(why, "en-têtes de programme illisibles");
        if (ph.p_type == PT_LOAD) {
            loadable = true;
            if (ph.p_filesz > ph.p_memsz) return fail(why, "segment " + std::to_string(i) + " incohérent");
        }
        // Every segment with bytes in the file: the loader maps or reads them.
        if (ph.p_filesz != 0 && !inside(ph.p_offset, ph.p_filesz, size))
            return fail(why, "segment " + std::to_string(i) + " hors du fichier (tronqué ?)");
    }
    if (!loadable) return fail(why, "aucun segment chargeable");
    return true;
}

OrvPluginLibrary OrvPlugin_Load(const std::string& file) {
    OrvPluginLibrary lib;
    const std::vector<std::string> dirs = OrvPlugin_Dirs();
    lib.path = findIn(dirs, file);
    if (lib.path.empty()) {
        lib.error = file + " introuvable (cherché dans";
        for (const std::string& dir : dirs) lib.error += " " + dir;
        lib.error += ")";
        return lib;
    }
    std::string why;
    if (!OrvPlugin_CheckFile(lib.path, &why)) {
        lib.error = lib.path + " refusé : " + why;
        return lib;
    }
    lib.handle = dlopen(lib.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib.handle) {
        const char* err = dlerror();
        lib.error = lib.path + " : " + (err ? err : "chargement impossible");
    }
    return lib;
}

void* OrvPlugin_Symbol(void* handle, const char* name) { return handle ? dlsym(handle, name) : nullptr; }

void OrvPlugin_Unload(void* handle) {
    if (handle) dlclose(handle);
}
