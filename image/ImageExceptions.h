// The exceptions of the image coders. Every failure of the raster image, the
// BMP reader and the JPEG and PNG encoders is one of these; the base derives
// from std::logic_error, so each carries its message and answers what().
#pragma once

#include <stdexcept>
#include <string>

namespace qm {

// The root of the family; the message is given by the thrower.
class EGraphicsException : public std::logic_error {
  public:
    explicit EGraphicsException(const std::string& message) : std::logic_error(message) {}
};

class EInvalidBitCount : public EGraphicsException {
  public:
    EInvalidBitCount() : EGraphicsException("Invalid bit count") {}
};

class ESubscriptOutOfRange : public EGraphicsException {
  public:
    ESubscriptOutOfRange() : EGraphicsException("Subscript out of range") {}
};

// A progress callback asked a reader to stop.
class EGraphicsAbort : public EGraphicsException {
  public:
    EGraphicsAbort() : EGraphicsException("Abort") {}
};

class EBmpFileReadError : public EGraphicsException {
  public:
    EBmpFileReadError() : EGraphicsException("Error reading BMP input file") {}
};

class EBmpNotABmpFile : public EGraphicsException {
  public:
    EBmpNotABmpFile() : EGraphicsException("Not a Windows Bitmap stream") {}
};

class EBmpCorruptFile : public EGraphicsException {
  public:
    EBmpCorruptFile() : EGraphicsException("Corrupt Windows Bitmap stream") {}
};

class EBmpNotSupported : public EGraphicsException {
  public:
    EBmpNotSupported() : EGraphicsException("Unsupported Bitmap Format") {}
};

// The JPEG encoder's errors; the message is given by the thrower.
class EJpegError : public EGraphicsException {
  public:
    explicit EJpegError(const std::string& message) : EGraphicsException(message) {}
};

class EJpegValueOutOfRange : public EJpegError {
  public:
    EJpegValueOutOfRange() : EJpegError("Value out of range") {}
};

class EJpegBadOutputParameter : public EJpegError {
  public:
    explicit EJpegBadOutputParameter(const std::string& message) : EJpegError(message) {}
};

class EJpegIndexOutOfRange : public EJpegError {
  public:
    EJpegIndexOutOfRange() : EJpegError("Index out of range") {}
};

// An internal error of the JPEG encoder; the message names it.
class EJpegFatal : public EGraphicsException {
  public:
    explicit EJpegFatal(const std::string& message) : EGraphicsException(message) {}
};

// A progress callback asked the JPEG encoder to stop.
class EJpegAbort : public EGraphicsException {
  public:
    EJpegAbort() : EGraphicsException("JPEG Aborted") {}
};

// The PNG encoder's errors; the message is given by the thrower.
class EPngError : public EGraphicsException {
  public:
    explicit EPngError(const std::string& message) : EGraphicsException(message) {}
};

} // namespace qm
