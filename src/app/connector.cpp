#include "app/connector.h"

#include "app/settingdefs.h"

namespace quodlin {
namespace {
std::shared_ptr<IConnector> &installed()
{
    static std::shared_ptr<IConnector> instance;
    return instance;
}
} // namespace

IConnector *Connector() { return installed().get(); }

std::shared_ptr<IConnector> SetConnector(std::shared_ptr<IConnector> connector)
{
    auto previous = std::move(installed());
    installed() = std::move(connector);
    return previous;
}

AutoConnectPlan PlanAutoConnect()
{
    AutoConnectPlan plan;
    if (!Settings::read(Settings::AutoConnect))
        return plan;
    const bool direct = Settings::read(Settings::LastConnectDirect);
    const QString name = (direct ? Settings::read(Settings::DirectConnect)
                                 : Settings::read(Settings::DbAlias)).trimmed();
    if (name.isEmpty())
        return plan;
    plan.login = false;
    (direct ? plan.directName : plan.alias) = name;
    plan.user = Settings::readConnection(name, Settings::ConnLoginUser);
    plan.storedParams = Settings::readConnection(name, Settings::ConnParams);
    return plan;
}

} // namespace quodlin
