#include "export/ffmpeg/FExportGraph.h"

#include "export/FFrameGrabber.h"
#include "export/MovieContainer.h"
#include "export/ffmpeg/EncoderSetup.h"
#include "export/ffmpeg/FAviWriter.h"
#include "export/ffmpeg/FEncoderList.h"

FExportGraph::FExportGraph(std::chrono::milliseconds frameWait) : frameWait_(frameWait) {}

FExportGraph::~FExportGraph()
{
    Release();
}

int FExportGraph::Fail(int result, const FString& message, bool withWriterReason)
{
    message_ = message;
    error_ = message;
    if (withWriterReason && writer_ && !writer_->Error().empty()) {
        if (!error_.IsEmpty())
            error_.Append(FString(u"\n\n"));
        error_.Append(FString::FromUtf8(writer_->Error()));
    }
    Release();
    return result < 0 ? result : kResultFail;
}

int FExportGraph::Build(FFrameGrabber* grabber, const FString& outputPath, float framesPerSecond,
                        const FString& encoderName, int quality)
{
    Release();
    message_ = FString();
    error_ = FString();
    if (!grabber || outputPath.IsEmpty())
        return kResultFail;

    writer_ = std::make_unique<FAviWriter>();
    int result = writer_->Create(outputPath);
    if (result < 0)
        return Fail(result, FString());

    source_ = std::make_unique<FPushSource>(grabber, framesPerSecond, result, frameWait_);
    if (result < 0)
        return Fail(result, FString());
    FPushPin* pin = source_->Pin();
    const FMediaType type = pin->GetMediaType();
    if (pin->DecideBufferSize() < 0)
        return Fail(kResultOutOfMemory, FString());

    const FMovieContainer container = ContainerForPath(outputPath);
    const AVCodec* defaultCodec = encoderName.IsEmpty() ? DefaultEncoder(container) : nullptr;
    const bool encoded = !encoderName.IsEmpty() || defaultCodec;
    if (encoded) {
        const FString name = defaultCodec ? EncoderFriendlyName(defaultCodec) : encoderName;
        const AVCodec* codec = defaultCodec ? defaultCodec : FindEncoderByName(name);
        if (!codec)
            return Fail(kResultFail, FString(u"Could not create the ") + name + FString(u" encoder filter object."));
        if (!ContainerCarriesEncoder(container, codec))
            return Fail(kResultFail, FString(u"The ") + name +
                                         FString(u" encoder filter says that it can't be used to create ") +
                                         FString::FromUtf8(ContainerLabel(container)) +
                                         FString(u" files.\n\nPlease try another encoder."));
        if ((result = writer_->AddEncoder(codec, quality)) < 0)
            return Fail(result, FString(u"Could not add the ") + name + FString(u" encoder filter to the graph."));
        if ((result = writer_->ConnectEncoder(type)) < 0) {
            FString text =
                FString(u"Could not connect the ") + name + FString(u" encoder filter to the source filter.");
            if (type.width != 640 || type.height != 480)
                text.Append(FString(u"\n\nMaybe the ") + name +
                            FString(u" encoder does not like your resolution. To find out if this is the case you "
                                    u"could try a standard resolution like 640x480."));
            text.Append(FString(u"\n\nPlease try another encoder."));
            return Fail(result, text);
        }
        if ((result = writer_->ConnectEncoderToMux()) < 0)
            return Fail(result,
                        FString(u"Could not connect encoder filter to mux filter.\n\nPlease try another encoder."));
    } else if ((result = writer_->ConnectRaw(type)) < 0)
        return Fail(result, FString());

    // The file comes last, so a graph that cannot be built leaves no file behind.
    if ((result = writer_->OpenFile()) < 0)
        return Fail(result, FString(u"Could not set file name \"") + outputPath + FString(u"\" to writer filter"));
    if ((result = writer_->WriteHeader()) < 0)
        return Fail(result, encoded ? FString(u"Could not connect encoder filter to mux filter.\n\nPlease try another "
                                              u"encoder.")
                                    : FString());
    built_ = true;
    return kResultOk;
}

int FExportGraph::Run()
{
    if (!built_ || !source_ || !writer_)
        return kResultFail;
    return source_->Pin()->Active(writer_.get());
}

int FExportGraph::Stop()
{
    if (!built_ || !source_ || !writer_)
        return kResultFail;
    source_->Pin()->Inactive();
    // Also completes the file when the streaming thread ended without an end of stream.
    if (writer_->Finish() < 0) {
        error_ = FString::FromUtf8(writer_->Error());
        return kResultFail;
    }
    return kResultOk;
}

void FExportGraph::Release()
{
    source_.reset();
    writer_.reset();
    built_ = false;
}

bool FExportGraph::PushFrame()
{
    if (!source_)
        return false;
    if (source_->PushFrame())
        return true;
    message_ = FString(u"Error exporting frame. Maybe you run out of diskspace.");
    error_ = message_;
    if (writer_ && !writer_->Error().empty())
        error_.Append(FString(u"\n\n")).Append(FString::FromUtf8(writer_->Error()));
    return false;
}
