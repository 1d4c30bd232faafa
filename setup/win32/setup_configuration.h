// The configuration dialog in its modal form, as Setup opens it after the
// installation: it loads the settings just written and saves them on OK.
#pragma once

namespace orvane {

void OpenSetupConfigurationDialog();

}  // namespace orvane
