#pragma once
// Base of every log sink: an indentation level and an identity that is never reused.

class LogMessageCallback {
public:
    LogMessageCallback();
    virtual ~LogMessageCallback() = default;
    LogMessageCallback(const LogMessageCallback&) = delete;
    LogMessageCallback& operator=(const LogMessageCallback&) = delete;

    virtual void Indent() { ++indent; }
    virtual void Unindent() { --indent; }
    /// Record the text.
    virtual void Write(const wchar_t*) {}
    /// Display the text.
    virtual void Show(const wchar_t*) {}
    /// Empty the record.
    virtual void Clear() {}

    int GetId() const { return id; }
    int GetIndent() const { return indent; }

protected:
    int indent = 0;

private:
    int id;
    static int nextId;
};
