#pragma once

#include <memory>
#include <optional>
#include <string>

namespace corvale {

// The general pasteboard, where "Copy" puts text for the user to paste elsewhere. The toolkit
// installs its own over the desktop's clipboard; until one is installed, and in tests, a
// pasteboard kept in this process stands in.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Forgets everything the pasteboard holds, of every kind.
    virtual void clearContents() = 0;
    // Puts `text` on the pasteboard as plain text, beside what it holds.
    virtual void setString(const std::string& text) = 0;
    // The plain text the pasteboard holds, if any.
    virtual std::optional<std::string> string() const = 0;

    // The installed pasteboard. Main thread only, like every use of it.
    static Pasteboard& general();
    // Installs the toolkit's pasteboard; nullptr puts the in-process one back.
    static void setGeneral(std::shared_ptr<Pasteboard> pasteboard);

    // Clears the pasteboard, then puts `text` there: what "Copy" does.
    static void copy(const std::string& text);
};

// A pasteboard that lives in this process: what other programs see is unchanged.
class ProcessPasteboard final : public Pasteboard {
public:
    void clearContents() override;
    void setString(const std::string& text) override;
    std::optional<std::string> string() const override;

    // How often it was cleared (tests).
    int clears() const { return clears_; }

private:
    std::optional<std::string> text_;
    int clears_ = 0;
};

} // namespace corvale
