object DbEngineErrorDlg: TDbEngineErrorDlg
  Left = 300
  Top = 200
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Database Engine Error'
  ClientHeight = 290
  ClientWidth = 428
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  FormStyle = fsStayOnTop
  HelpFile = 'varkon.hlp'
  Position = poScreenCenter
  OnCreate = FormCreate
  OnShow = FormShow
  PixelsPerInch = 96
  object BasicPanel: TPanel
    Left = 0
    Top = 0
    Width = 428
    Height = 96
    Align = alClient
    BevelOuter = bvNone
    TabOrder = 0
    object IconImage: TImage
      Left = 14
      Top = 16
      Width = 32
      Height = 32
      Center = True
    end
    object ErrorText: TLabel
      Left = 62
      Top = 16
      Width = 352
      Height = 72
      AutoSize = False
      WordWrap = True
    end
  end
  object ButtonPanel: TPanel
    Left = 0
    Top = 96
    Width = 428
    Height = 40
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 1
    object DetailsBtn: TButton
      Left = 14
      Top = 8
      Width = 90
      Height = 25
      Caption = '&Details'
      TabOrder = 0
      OnClick = DetailsBtnClick
    end
    object OKBtn: TButton
      Left = 339
      Top = 8
      Width = 75
      Height = 25
      Cancel = True
      Caption = 'OK'
      ModalResult = 1
      TabOrder = 1
    end
  end
  object DetailsPanel: TPanel
    Left = 0
    Top = 136
    Width = 428
    Height = 154
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 2
    object NuboLabel: TLabel
      Left = 14
      Top = 8
      Width = 80
      Height = 16
      AutoSize = False
      Caption = 'Nubo Error:'
    end
    object NativeLabel: TLabel
      Left = 14
      Top = 36
      Width = 80
      Height = 16
      AutoSize = False
      Caption = 'Server Error:'
    end
    object DbResult: TEdit
      Left = 100
      Top = 4
      Width = 80
      Height = 22
      ReadOnly = True
      TabOrder = 0
    end
    object DbCatSub: TEdit
      Left = 188
      Top = 4
      Width = 110
      Height = 22
      ReadOnly = True
      TabOrder = 1
    end
    object NativeResult: TEdit
      Left = 100
      Top = 32
      Width = 80
      Height = 22
      ReadOnly = True
      TabOrder = 2
    end
    object DbMessageText: TMemo
      Left = 14
      Top = 62
      Width = 400
      Height = 52
      ReadOnly = True
      ScrollBars = ssVertical
      TabOrder = 3
    end
    object BackBtn: TButton
      Left = 258
      Top = 122
      Width = 75
      Height = 25
      Caption = '< &Back'
      TabOrder = 4
      OnClick = BackClick
    end
    object NextBtn: TButton
      Left = 339
      Top = 122
      Width = 75
      Height = 25
      Caption = 'Next >'
      Default = True
      TabOrder = 5
      OnClick = NextClick
    end
  end
end
