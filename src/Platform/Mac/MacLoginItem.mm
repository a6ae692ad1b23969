#include "Platform/Mac/MacLoginItem.hpp"

#import <ServiceManagement/ServiceManagement.h>

namespace platform::mac::LoginItem {

bool isEnabled() {
    return SMAppService.mainAppService.status == SMAppServiceStatusEnabled;
}

bool setEnabled(bool enabled) {
    NSError* error = nil;
    SMAppService* service = SMAppService.mainAppService;
    if (enabled) {
        return [service registerAndReturnError:&error];
    }
    return [service unregisterAndReturnError:&error];
}

} // namespace platform::mac::LoginItem
