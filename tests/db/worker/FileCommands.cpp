// Worker commands on the file layer: handlers are numbered from 1 in the order they are opened.
//   open <name> [memory] [exclusive] [readonly] [create] [temporary]   -> ok <handle>
//   close <handle>
//   lock <handle> <offset> <length>      unlock <handle> <offset> <length>   -> ok | fail
//   write <handle> <offset> <text>       read <handle> <offset> <count>      -> ok [text]
//   size <handle>                        -> ok <bytes>
//   delete <name> [memory]               rename <name> <new name> [memory]
//   rawopenclose <name>                  opens and closes a plain descriptor of the file
//   rawrename <name> <new name>          a plain rename, as any program makes it (no lock asked)
#include "WorkerCommands.h"

#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace worker {

namespace {

using vorsam::TFileHandler;

std::map<uint64_t, std::unique_ptr<TFileHandler>> Handlers;
uint64_t NextHandle = 1;

TFileHandler& HandlerArg(TWorkerArgs args) {
    auto it = Handlers.find(NumberArg(args, 1));
    if (it == Handlers.end()) throw std::invalid_argument("no such handle");
    return *it->second;
}

// A closed handler on the file named by the first argument, in memory with the flag "memory".
std::unique_ptr<TFileHandler> NamedHandler(TWorkerArgs args) {
    auto handler = std::make_unique<TFileHandler>();
    handler->SetFileName(args.at(1));
    handler->SetInMemory(HasFlag(args, "memory"));
    return handler;
}

std::string Open(TWorkerArgs args) {
    auto handler = NamedHandler(args);
    handler->SetExclusive(HasFlag(args, "exclusive"));
    handler->SetReadOnly(HasFlag(args, "readonly"));
    handler->SetTemporary(HasFlag(args, "temporary"));
    if (HasFlag(args, "create"))
        handler->CreateFile();
    else
        handler->Open();
    Handlers[NextHandle] = std::move(handler);
    return Ok(std::to_string(NextHandle++));
}

std::string Lock(TWorkerArgs args, bool lock) {
    return HandlerArg(args).LockRegion(lock, NumberArg(args, 3), NumberArg(args, 2)) ? Ok() : Fail();
}

std::string Write(TWorkerArgs args) {
    TFileHandler& handler = HandlerArg(args);
    handler.Seek(int64_t(NumberArg(args, 2)));
    const std::string& text = args.at(3);
    handler.WriteBuffer(text.data(), text.size());
    return Ok();
}

std::string Read(TWorkerArgs args) {
    TFileHandler& handler = HandlerArg(args);
    handler.Seek(int64_t(NumberArg(args, 2)));
    std::string text(NumberArg(args, 3), '\0');
    text.resize(handler.ReadBuffer(text.data(), text.size(), true));
    return Ok(text);
}

std::string RawOpenClose(TWorkerArgs args) {
    int fd = ::open(args.at(1).c_str(), O_RDONLY);
    if (fd < 0) return Fail("open");
    ::close(fd);
    return Ok();
}

TWorkerCommandRegistrar openCommand("open", Open);
TWorkerCommandRegistrar closeCommand("close", [](TWorkerArgs args) {
    Handlers.erase(NumberArg(args, 1));
    return Ok();
});
TWorkerCommandRegistrar lockCommand("lock", [](TWorkerArgs args) { return Lock(args, true); });
TWorkerCommandRegistrar unlockCommand("unlock", [](TWorkerArgs args) { return Lock(args, false); });
TWorkerCommandRegistrar writeCommand("write", Write);
TWorkerCommandRegistrar readCommand("read", Read);
TWorkerCommandRegistrar sizeCommand("size", [](TWorkerArgs args) {
    return Ok(std::to_string(HandlerArg(args).GetFileSize()));
});
TWorkerCommandRegistrar removeCommand("delete", [](TWorkerArgs args) {
    NamedHandler(args)->DeleteFile();
    return Ok();
});
TWorkerCommandRegistrar renameCommand("rename", [](TWorkerArgs args) {
    NamedHandler(args)->RenameFile(args.at(2));
    return Ok();
});
TWorkerCommandRegistrar rawOpenCloseCommand("rawopenclose", RawOpenClose);
TWorkerCommandRegistrar rawRenameCommand("rawrename", [](TWorkerArgs args) {
    return ::rename(args.at(1).c_str(), args.at(2).c_str()) == 0 ? Ok() : Fail("rename");
});

} // namespace

} // namespace worker
