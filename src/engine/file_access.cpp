#include "engine/file_access.h"

#include <cstdlib>
#include <filesystem>

namespace quodlin::engine {

namespace fs = std::filesystem;

bool outsideAccessAllowed()
{
    const char *value = std::getenv(kOutsideAccessVariable);
    return value && std::string(value) == "1";
}

std::string sessionFilePath(const Environment &env, const std::string &named)
{
    const fs::path path(named);
    if (path.is_relative() && !env.explainFile.empty())
        return (fs::path(env.explainFile).parent_path() / path).lexically_normal().string();
    return named;
}

std::string defaultExplainFile(const Environment &env)
{
    return env.explainFile.empty() ? std::string("sqexplain.out") : env.explainFile;
}

namespace {

// `path` is where a name resolved to (sessionFilePath).
bool insideSessionFolder(const Environment &env, const std::string &path)
{
    const fs::path normal = fs::path(path).lexically_normal();
    if (normal == fs::path(defaultExplainFile(env)).lexically_normal())
        return true;
    if (env.explainFile.empty() || !normal.has_filename() || normal.filename() == "..")
        return false;
    return normal.parent_path() == fs::path(env.explainFile).lexically_normal().parent_path();
}

} // namespace

std::string writableFile(const Environment &env, const std::string &named, int sqlCode, int offset)
{
    const std::string path = sessionFilePath(env, named);
    if (insideSessionFolder(env, path) || outsideAccessAllowed())
        return path;
    ErrorInfo e = makeError(sqlCode, path, offset);
    const std::string variable = std::string(kOutsideAccessVariable) + "=1";
    if (env.explainFile.empty())
        e.message += " Files named in SQL other than sqexplain.out are written only when " + variable
            + " is set in the environment.";
    else
        e.message += " Files named in SQL are written only in the explain folder "
            + fs::path(env.explainFile).parent_path().string() + " unless " + variable + " is set in the environment.";
    throw EngineError(e);
}

} // namespace quodlin::engine
