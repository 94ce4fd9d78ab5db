#pragma once
// Byte streams of the class library: the abstract stream, a memory stream and a file stream.
// File streams that write never touch the target until Commit: they work on a temporary copy in
// the same folder and rename it over the target, so a crash or an exception mid-write leaves the
// old file whole. A writing stream destroyed without Commit drops its work.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    std::string ClassName() const override { return "TStream"; }
    // Plain reads and writes return the count actually moved (fewer at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size() const = 0;
    virtual void SetSize(std::int64_t size) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    std::int64_t Remaining() { return Size() - Position(); }
    // Whole reads and writes: raise EReadError "Stream read error" / EWriteError with WriteErrorText.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    void WriteString(const std::string& bytes) { WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size())); }
    // Copies count bytes from source (0 = from its start, all of it); returns the count.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);

protected:
    // What a short write was: "Stream write error" unless the stream knows the file and cause.
    virtual std::string WriteErrorText() const { return "Stream write error"; }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}
    std::string ClassName() const override { return "TMemoryStream"; }
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;
    void Clear();
    const std::string& Bytes() const { return data_; }
    std::string TakeBytes();  // moves the content out and empties the stream
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& target) const;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

private:
    std::string data_;
    std::int64_t position_ = 0;
};

enum TFileMode : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyWrite = 0x0020,  // accepted; nothing to do on this platform
    fmCreate = 0xFF00,
};

class TFileStream : public TStream {
public:
    // Raises EFOpenError 'Cannot open file "<name>". <reason>' or EFCreateError likewise.
    TFileStream(const std::string& fileName, unsigned mode);
    // A writing stream not committed is discarded: the target stays as it was.
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    std::string ClassName() const override { return "TFileStream"; }
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() const override;
    void SetSize(std::int64_t size) override;
    const std::string& FileName() const { return fileName_; }
    // Flushes the temporary file to disk and renames it over the target (writing modes only).
    // Raises EWriteError naming the file and the cause; the target then stays as it was.
    void Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

protected:
    std::string WriteErrorText() const override;

private:
    void OpenForWriting(unsigned mode);
    std::string fileName_;
    std::string targetName_;  // where a link leads: the link itself stays
    std::string tempName_;
    int fd_ = -1;
    bool writing_ = false;
    int writeError_ = 0;  // cause of the last short write
};
