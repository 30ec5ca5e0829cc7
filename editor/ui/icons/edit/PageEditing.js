// The page editor's script in its editing surface (runs in the application's own
// script world, after qwebchannel.js). It mirrors the editable block into the editor
// over the web channel (object "pageEditor"): the block as loaded, its text after
// every change, and whether the selection is exactly one picture. It also offers the
// editor's commands as QuarvelEdit.*, each pushing the block afterwards.
(function () {
    'use strict';
    var block = document.getElementById('%EDITABLE_ID%');
    if (!block || window.QuarvelEdit)
        return;
    var match = /[?]!PAGE=(-?\d+)/i.exec(decodeURIComponent(location.search || ''));
    var part = match ? parseInt(match[1], 10) : -1;
    var loaded = block.innerHTML;
    var host = null;
    var pending = [];

    function send(call) {
        if (host)
            call(host);
        else
            pending.push(call);
    }
    function pushBlock() {
        var html = block.innerHTML;
        send(function (h) { h.partChanged(part, html); });
    }
    // The selection when it covers exactly one picture of the block.
    function selectedImage() {
        var selection = window.getSelection();
        if (!selection || selection.rangeCount !== 1)
            return null;
        var range = selection.getRangeAt(0);
        if (range.startContainer !== range.endContainer || range.endOffset - range.startOffset !== 1)
            return null;
        var node = range.startContainer.childNodes[range.startOffset];
        return node && node.nodeName === 'IMG' && block.contains(node) ? node : null;
    }
    // The caret moves with every keystroke: the editor hears only of a change of
    // what it keeps (whether one picture is selected, and its source).
    var reportedImage = false;
    var reportedSource = '';
    function pushSelection() {
        var image = selectedImage();
        var isImage = image !== null;
        var source = image ? (image.getAttribute('src') || '') : '';
        if (isImage === reportedImage && source === reportedSource)
            return;
        reportedImage = isImage;
        reportedSource = source;
        send(function (h) { h.selectionChanged(part, isImage, source); });
    }
    function selectionInBlock() {
        var selection = window.getSelection();
        return selection && selection.rangeCount > 0 && block.contains(selection.getRangeAt(0).commonAncestorContainer);
    }

    // The caret starts at the beginning of the block, as in a freshly opened document.
    if (!selectionInBlock()) {
        var start = document.createRange();
        start.setStart(block, 0);
        start.collapse(true);
        window.getSelection().removeAllRanges();
        window.getSelection().addRange(start);
    }

    // Calls Change (element, value) for every element of the document whose attribute
    // begins with Prefix (letter case ignored).
    function withPrefix(tagName, attribute, prefix, change) {
        prefix = prefix.toLowerCase();
        var elements = document.getElementsByTagName(tagName);
        for (var i = 0; i < elements.length; ++i) {
            var value = elements[i].getAttribute(attribute) || '';
            if (value.substring(0, prefix.length).toLowerCase() === prefix)
                change(elements[i], value);
        }
        pushBlock();
    }

    new QWebChannel(qt.webChannelTransport, function (channel) {
        host = channel.objects.pageEditor;
        host.partLoaded(part, loaded);
        var calls = pending;
        pending = [];
        calls.forEach(function (call) { call(host); });
    });

    block.addEventListener('input', pushBlock);
    document.addEventListener('selectionchange', pushSelection);
    // A click on a picture selects it, so that the picture commands can act on it.
    block.addEventListener('click', function (event) {
        var target = event.target;
        if (!target || target.nodeName !== 'IMG')
            return;
        var range = document.createRange();
        range.selectNode(target);
        var selection = window.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
        pushSelection();
    });

    window.QuarvelEdit = {
        exec: function (command, showUI, value) {
            var done = false;
            try {
                done = value === null ? document.execCommand(command, showUI) : document.execCommand(command, showUI, value);
            } catch (e) {
                done = false;
            }
            pushBlock();
            pushSelection();
            return done;
        },
        // The selection is replaced by the markup; without a selection in the block
        // (or when the engine refuses) the markup goes at the end of the block.
        insertHtml: function (html) {
            var done = false;
            if (selectionInBlock()) {
                try {
                    done = document.execCommand('insertHTML', false, html);
                } catch (e) {
                    done = false;
                }
            }
            if (!done)
                block.insertAdjacentHTML('beforeend', html);
            pushBlock();
            return done;
        },
        fontState: function () {
            function query(command) {
                try {
                    var value = document.queryCommandValue(command);
                    return value === undefined || value === null ? null : String(value);
                } catch (e) {
                    return null;
                }
            }
            return { name: query('FontName'), size: query('FontSize'), color: query('ForeColor') };
        },
        setLinkTargets: function (prefix, target) {
            withPrefix('A', 'href', prefix, function (element) { element.setAttribute('target', target); });
        },
        blockHtml: function () {
            return block.innerHTML;
        },
        setBlockHtml: function (html) {
            block.innerHTML = html;
            pushBlock();
        },
        alignImage: function (value) {
            var image = selectedImage();
            if (!image)
                return false;
            image.setAttribute('align', value);
            pushBlock();
            return true;
        }
    };
})();
