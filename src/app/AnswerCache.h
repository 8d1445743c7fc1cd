#pragma once

// A service answer kept for refills. The text is shared with the list models
// that show it, so showing a list again from the cache copies nothing and a
// big catalogue is held once.

#include <memory>
#include <string>

namespace order {

class AnswerCache {
public:
    AnswerCache& operator=(std::string text)
    {
        text_ = std::make_shared<const std::string>(std::move(text));
        return *this;
    }

    bool empty() const { return !text_ || text_->empty(); }
    void clear() { text_.reset(); }

    const std::string& str() const
    {
        static const std::string none;
        return text_ ? *text_ : none;
    }
    operator const std::string&() const { return str(); }
    friend bool operator==(const AnswerCache& a, const std::string& b) { return a.str() == b; }

    // The text itself, for a list model to keep.
    const std::shared_ptr<const std::string>& Shared() const { return text_; }

private:
    std::shared_ptr<const std::string> text_;
};

} // namespace order
