#include "Corvale/SettingsCommands.hpp"

#include "Corvale/CommandsInternal.hpp"
#include "CorvaleCore/Files.hpp"

#include <exception>

namespace corvale::Commands {

void addSettingsCommands(std::function<void(const std::filesystem::path&)> exportTo,
                         std::function<void(const std::filesystem::path&)> importFrom) {
    add({.name = "export",
         .arguments = "[file]",
         .summary = "Save the settings to a file, or print them",
         .fileArgument = true,
         .run = [exportTo](const Arguments& arguments, const ReplyCallback& reply) {
             try {
                 if (!arguments.empty()) {
                     // The client sent it absolute; a request from elsewhere may not be.
                     std::string location = fullPath(arguments.front());
                     exportTo(location);
                     reply(Reply::ok("Saved the settings to " + location));
                     return;
                 }
                 std::filesystem::path folder = applicationCaches();
                 exportTo(folder / "settings.json");
                 reply(Reply::file(folder / "settings.json"));
             } catch (const std::exception& error) {
                 // An Error says its description here.
                 reply(Reply::failure(error.what()));
             }
         }});
    add({.name = "import",
         .arguments = "<file>",
         .summary = "Replace the settings with the ones in a file",
         .fileArgument = true,
         .run = [importFrom](const Arguments& arguments, const ReplyCallback& reply) {
             if (arguments.empty()) {
                 reply(Reply::failure("Say which file to import: " + internal::programName() +
                                      " import <file>"));
                 return;
             }
             try {
                 std::string location = fullPath(arguments.front());
                 importFrom(location);
                 reply(Reply::ok("Imported the settings from " + location));
             } catch (const std::exception& error) {
                 reply(Reply::failure(error.what()));
             }
         }});
}

} // namespace corvale::Commands
