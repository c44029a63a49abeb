#pragma once
// What the engine tests share: a scratch folder per test with a database
// created in it, the SQL code an engine call fails with, and results read
// back as text.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

namespace fs = std::filesystem;
using quodlin::engine::EngineError;
using quodlin::engine::Session;
using quodlin::engine::Value;

// The SQL code of the EngineError `f` throws; 0 when it throws none.
inline int codeOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EngineError &e) {
        return e.sqlCode();
    }
    return 0;
}

// The EngineError `f` throws; an empty one when it throws none.
inline EngineError failureOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EngineError &e) {
        return e;
    }
    return EngineError(quodlin::engine::ErrorInfo{});
}

inline std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The first column of the first row as an integer; -1 when there is no row.
inline std::int64_t firstInt(Session &s, const std::string &sql)
{
    auto q = s.prepare(sql);
    q->execute();
    return q->next() ? q->value(0).integer : -1;
}

// The rows as "a|b" lines, values as displayText shows them, NULL for
// nulls; parameters bound by name.
inline std::string rowsText(Session &s, const std::string &sql,
                            const std::vector<std::pair<std::string, Value>> &params = {})
{
    auto q = s.prepare(sql);
    for (const auto &[name, value] : params)
        q->bind(name, value);
    q->execute();
    std::string out;
    while (q->next()) {
        for (std::size_t i = 0; i < q->columns().size(); ++i) {
            const Value &v = q->value(int(i));
            out += (i ? "|" : "") + (v.isNull() ? std::string("NULL") : displayText(v, q->columns()[i], s.environment()));
        }
        out += '\n';
    }
    return out;
}

// A folder of the temporary directory, named by the process and the running
// test, emptied on creation and removed with the object.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string &tag)
    {
        std::string name = "quodlin_" + tag + "_" + std::to_string(::getpid());
        if (const auto *info = testing::UnitTest::GetInstance()->current_test_info())
            name += std::string("_") + info->test_suite_name() + "_" + info->name();
        for (char &c : name)
            if (c == '/')
                c = '_';
        m_dir = fs::temp_directory_path() / name;
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const fs::path &dir() const { return m_dir; }
    std::string file(const std::string &name) const { return (m_dir / name).string(); }

private:
    fs::path m_dir;
};

// A test with a database `file` created by `user` in a scratch folder.
// Derived fixtures open their sessions on m_path; they are closed before
// the folder goes.
class ScratchDatabaseTest : public testing::Test {
protected:
    explicit ScratchDatabaseTest(const std::string &file = "stores.db", std::string user = "ann")
        : m_folder("engine"), m_dir(m_folder.dir()), m_path(m_folder.file(file)), m_user(std::move(user))
    {
        Session::createDatabase(m_path, m_user);
    }

    std::unique_ptr<Session> open(const quodlin::engine::Environment &env = {}) const
    {
        return Session::open(m_path, m_user, env);
    }

    ScratchFolder m_folder;
    fs::path m_dir;
    std::string m_path;
    std::string m_user;
};

} // namespace enginetest
