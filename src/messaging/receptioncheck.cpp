#include "messaging/receptioncheck.h"

#include "model/datetime.h"

namespace tw {

int32_t receptionTickLength(const LocalConfig& cfg) {
    switch (cfg.CheckUnit) {
    case 1: return 65535;
    case 2: return cfg.CheckInterval > 0 ? int32_t{cfg.CheckInterval} * 1000 : 0;
    default: return 60000;
    }
}

bool receptionCheckDue(const AppState& st, double now) {
    const LocalConfig& cfg = st.localConfig;
    double due;
    switch (cfg.CheckUnit) {
    case 1: due = addHours(st.LastCheckTime, cfg.CheckInterval); break;
    case 2: due = addSeconds(st.LastCheckTime, cfg.CheckInterval); break;
    default: due = addMinutes(st.LastCheckTime, cfg.CheckInterval); break;
    }
    return toSerialSeconds(now) >= toSerialSeconds(due);
}

std::string zeroIntervalHint(int unit) {
    LocalConfig zero;
    zero.CheckInterval = 0;
    zero.CheckUnit = static_cast<int16_t>(unit);
    return receptionTickLength(zero) == 0 ? "0に設定するとタイマー確認を行いません" : "0に設定すると約1分ごとに確認します";
}

}  // namespace tw
