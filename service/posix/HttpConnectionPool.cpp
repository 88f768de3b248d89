#include "service/posix/HttpConnectionPool.h"

namespace tarrow {

namespace {

// More idle connections than this to one service would only be left by several threads posting at
// once; the oldest go first.
constexpr std::size_t kMaxIdle = 4;

}  // namespace

TPooledConnection::TPooledConnection() : Easy(curl_easy_init()) {}

TPooledConnection::~TPooledConnection()
{
    if (Easy != nullptr) curl_easy_cleanup(Easy);
}

TConnectionPool& TConnectionPool::Process()
{
    static TConnectionPool pool;
    return pool;
}

// libcurl's global state (and the TLS library's, which ends itself when the process exits) is made
// before the pool is complete, so the pool is emptied before either goes.
TConnectionPool::TConnectionPool()
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

TConnectionPool::~TConnectionPool()
{
    idle_.clear();
    curl_global_cleanup();
}

std::unique_ptr<TPooledConnection> TConnectionPool::Take(const TConnectionKey& key)
{
    std::unique_ptr<TPooledConnection> found;
    std::vector<std::unique_ptr<TPooledConnection>> closing;
    {
        std::lock_guard lock(mutex_);
        // The most recently used first: it is the likeliest to be still open.
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
            if (!(it->first == key))
                closing.push_back(std::move(it->second));
            else if (!found)
                found = std::move(it->second);
        }
        std::erase_if(idle_, [](const auto& entry) { return !entry.second; });
    }
    // The others close when closing goes, outside the lock: closing a TLS connection writes to the
    // network.
    if (found) return found;
    return std::make_unique<TPooledConnection>();
}

void TConnectionPool::GiveBack(TConnectionKey key, std::unique_ptr<TPooledConnection> connection)
{
    curl_easy_reset(connection->Easy);
    connection->ErrorText[0] = '\0';
    std::unique_ptr<TPooledConnection> oldest;
    std::lock_guard lock(mutex_);
    if (idle_.size() >= kMaxIdle) {
        oldest = std::move(idle_.front().second);
        idle_.erase(idle_.begin());
    }
    idle_.emplace_back(std::move(key), std::move(connection));
}

}  // namespace tarrow
