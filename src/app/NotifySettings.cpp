#include "app/NotifySettings.h"

namespace app {

bool ApplyNotifySwitches(const NotifySwitches& switches, BalloonFields& balloon) {
    if (switches.showIcon) {
        balloon.title.clear();
        balloon.text.clear();
        balloon.flags = kBalloonNone;
    }
    if (switches.showMessage) {
        balloon.title = kBalloonTitle;
        balloon.text = kBalloonText;
        balloon.flags = kBalloonInfoSilent;
    }
    if (switches.playSound) balloon.flags = kBalloonInfo;
    return switches.showIcon;
}

}  // namespace app
