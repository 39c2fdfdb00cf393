#include "config_format.h"

namespace tessaly::config_format {

namespace {

// Written line by line so that the tabs and line ends stand out; there is no line end
// after the last line.
constexpr std::string_view kGlobalSettingDefault =
    "<description>\n"
    "\t<version>1.0</version>\n"
    "\t<magic>E8AEBEE7BDAE</magic>\n"
    "\t<vendor>BRELKIN</vendor>\n"
    "\t<type>settings</type>\n"
    "\t<misc></misc>\n"
    "</description>\n"
    "<configuration>\n"
    "\t<language>English</language>\n"
    "\t<email>\n"
    "\t\t<send_complete>disable</send_complete>\n"
    "\t\t<send_period>\n"
    "\t\t\t<email_period_enable>disable</email_period_enable>\n"
    "\t\t</send_period>\n"
    "\t</email>\n"
    "\t<log>\n"
    "\t\t<if_full>clear</if_full>\n"
    "\t</log>\n"
    "\t<backup>\n"
    "\t\t<delete_sync>enable</delete_sync>\n"
    "\t</backup>\n"
    "\t<restore>\n"
    "\t\t<delete_sync>disable</delete_sync>\n"
    "\t</restore>\n"
    "\t<misc>\n"
    "\t\t<auto_starup>enable</auto_starup>\n"
    "\t\t<shutdown>disable</shutdown>\n"
    "\t</misc>\n"
    "</configuration>";

}  // namespace

std::string_view skip_utf8_bom(std::string_view text) {
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  return text;
}

std::string_view global_setting_default() { return kGlobalSettingDefault; }

}  // namespace tessaly::config_format
