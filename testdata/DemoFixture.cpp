// The demo installation shared by the tests of one run, and writable installations made over it.
#include "testdata/DemoFixture.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "testdata/DemoInstall.h"
#include "testdata/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// True when rel is one of the copied paths, or lies inside one.
bool isCopied(const std::string& rel, const std::vector<std::string>& copied) {
    for (const std::string& c : copied)
        if (rel == c || rel.compare(0, c.size() + 1, c + "/") == 0) return true;
    return false;
}

bool mirror(const fs::path& from, const fs::path& to, const fs::path& root, const std::vector<std::string>& copied,
            std::string* error) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) return fail(error, to.string() + ": " + ec.message());
    for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
        const fs::path target = to / e.path().filename();
        const std::string rel = fs::relative(e.path(), root).generic_string();
        if (isCopied(rel, copied)) {
            fs::copy(e.path(), target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        } else if (e.is_directory()) {
            if (!mirror(e.path(), target, root, copied, error)) return false;
            continue;
        } else {
            fs::create_symlink(fs::absolute(e.path()), target, ec);
        }
        if (ec) return fail(error, target.string() + ": " + ec.message());
    }
    if (ec) return fail(error, from.string() + ": " + ec.message());
    return true;
}

}  // namespace

const std::string& DemoFixture_Dir(std::string* error) {
    static const std::string none;
    static std::string dir;
    static std::unique_ptr<TempDir> own;
    if (!dir.empty()) return dir;
    if (const char* shared = std::getenv("QM_DEMO_DIR"); shared && *shared) {
        if (!fs::is_directory(shared)) {
            fail(error, std::string("QM_DEMO_DIR: ") + shared + " is not a directory");
            return none;
        }
        dir = shared;
        if (dir.back() != '/') dir += '/';
        return dir;
    }
    own = std::make_unique<TempDir>();
    if (!DemoInstall_Write(own->Path(), error)) {
        own.reset();
        return none;
    }
    dir = own->Path();
    return dir;
}

bool DemoFixture_Copy(const std::string& dest, const std::vector<std::string>& copied, std::string* error) {
    const std::string& demo = DemoFixture_Dir(error);
    if (demo.empty()) return false;
    return mirror(fs::path(demo), fs::path(dest), fs::path(demo), copied, error);
}
